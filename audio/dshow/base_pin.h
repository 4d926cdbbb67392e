#pragma once
// Pins of our small DirectShow layer: connection with media-type agreement,
// input pins that receive samples through IMemInputPin (flushing, end of
// stream, run-time errors), and output pins that agree an allocator with
// their peer and deliver to it. Pins delegate reference counting to their
// filter and take the filter lock for connection changes.

#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <string>

#include "audio/dshow/base_filter.h"
#include "audio/dshow/media_type.h"

namespace mr::dshow {

class BasePin : public IPin {
public:
    // `name` is also the pin's identifier (FindPin, QueryId).
    BasePin(BaseFilter* filter, const wchar_t* name, PIN_DIRECTION direction);
    virtual ~BasePin();
    BasePin(const BasePin&) = delete;
    BasePin& operator=(const BasePin&) = delete;

    // IUnknown: IUnknown and IPin, then QueryPinInterface; the counts are the
    // filter's.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IPin
    HRESULT STDMETHODCALLTYPE Connect(IPin* receiver, const AM_MEDIA_TYPE* mt) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* mt) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* mt) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) override;
    // Only input pins take these three (E_UNEXPECTED here).
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    // Stores the segment (start and stop in 100-ns media time, rate). S_OK.
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // Media-type hooks. CheckMediaType answers S_OK for a type the pin takes
    // (anything else refuses it). GetMediaType fills the index-th preferred
    // type (counting from 0) or answers VFW_S_NO_MORE_ITEMS; by default the
    // pin prefers none.
    virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) = 0;
    virtual HRESULT GetMediaType(int index, AM_MEDIA_TYPE* mt);

    // State hooks, called by the filter under its lock for connected pins:
    // stopped -> paused, any -> stopped, paused -> running.
    virtual HRESULT Active();
    virtual HRESULT Inactive();
    virtual HRESULT Run(REFERENCE_TIME start);

    bool IsConnected() const { return peer_.load() != nullptr; }
    // The connected pin (no reference added). Stable while the filter is not
    // stopped, since connections change only when stopped.
    IPin* Peer() const { return peer_.load(); }
    // The connection's media type; empty when unconnected.
    const AM_MEDIA_TYPE& ConnectionType() const { return mt_.Get(); }
    const std::wstring& Name() const { return name_; }
    BaseFilter* Filter() const { return filter_; }
    REFERENCE_TIME SegmentStart() const { return segmentStart_.load(); }
    REFERENCE_TIME SegmentStop() const { return segmentStop_.load(); }
    double SegmentRate() const { return segmentRate_.load(); }

protected:
    // Connection hooks around a connection attempt: CheckConnect vets the peer
    // (by default: opposite direction), SetMediaType stores the agreed type,
    // CompleteConnect finishes (allocators), BreakConnect undoes what
    // CheckConnect and CompleteConnect did. All under the filter lock.
    virtual HRESULT CheckConnect(IPin* peer);
    virtual HRESULT SetMediaType(const AM_MEDIA_TYPE& mt);
    virtual HRESULT CompleteConnect(IPin* peer);
    virtual void BreakConnect();
    // Other interfaces of a derived pin; E_NOINTERFACE by default.
    virtual HRESULT QueryPinInterface(REFIID riid, void** ppv);

    ReentrantLock& FilterLock() { return filter_->Lock(); }

private:
    HRESULT AgreeMediaType(IPin* receiver, const AM_MEDIA_TYPE* partial);
    HRESULT TryMediaTypes(IPin* receiver, const AM_MEDIA_TYPE* partial, IEnumMediaTypes* types);
    HRESULT AttemptConnection(IPin* receiver, const AM_MEDIA_TYPE& mt);
    void DropConnection();

    BaseFilter* filter_;
    std::wstring name_;
    PIN_DIRECTION direction_;
    // Written under the filter lock while stopped; read by streaming threads.
    std::atomic<IPin*> peer_{nullptr};
    MediaType mt_;
    std::atomic<REFERENCE_TIME> segmentStart_{0};
    std::atomic<REFERENCE_TIME> segmentStop_{0};
    std::atomic<double> segmentRate_{1.0};
};

class InputPin : public BasePin, public IMemInputPin {
public:
    InputPin(BaseFilter* filter, const wchar_t* name);
    ~InputPin() override;

    MR_DSHOW_FORWARD_IUNKNOWN(BasePin)

    // IMemInputPin. GetAllocator makes a memory allocator on first request;
    // NotifyAllocator keeps the one the peer chose. Receive performs only the
    // base checks (CheckReceive); filters override it. ReceiveCanBlock: S_OK.
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override;

    // IPin: flushing sets the flushing flag (samples are then refused with
    // S_FALSE); the end of flushing clears it and any run-time error. End of
    // stream only checks the state by default.
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;

    // Clears the run-time error and flushing flags. The allocator is left to
    // the upstream output pin, which commits and decommits it.
    HRESULT Inactive() override;

    bool IsFlushing() const { return flushing_.load(); }
    // The allocator in use (no reference added), under the filter lock.
    IMemAllocator* Allocator() const { return allocator_; }

protected:
    HRESULT QueryPinInterface(REFIID riid, void** ppv) override;
    void BreakConnect() override;

    // S_OK when samples may be taken now; VFW_E_NOT_CONNECTED,
    // VFW_E_WRONG_STATE (stopped), S_FALSE (flushing) or VFW_E_RUNTIME_ERROR.
    HRESULT CheckStreaming();
    // The base checks of Receive: CheckStreaming, then a media-type change
    // carried by the sample (a refused type sets the run-time error, reports
    // EC_ERRORABORT and answers VFW_E_INVALIDMEDIATYPE). S_OK to go on.
    HRESULT CheckReceive(IMediaSample* sample);
    // Marks the pin failed: further samples get VFW_E_RUNTIME_ERROR until the
    // next stop or flush.
    void SetRuntimeError() { runtimeError_.store(true); }

private:
    IMemAllocator* allocator_ = nullptr;
    bool readOnly_ = false;
    std::atomic<bool> flushing_{false};
    std::atomic<bool> runtimeError_{false};
};

class OutputPin : public BasePin {
public:
    OutputPin(BaseFilter* filter, const wchar_t* name);
    ~OutputPin() override;

    // Commit and decommit the allocator.
    HRESULT Active() override;
    HRESULT Inactive() override;

    // Delivery to the connected input pin; VFW_E_NOT_CONNECTED when there is
    // none. Called on the filter's streaming thread.
    HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop, DWORD flags);
    HRESULT Deliver(IMediaSample* sample);
    HRESULT DeliverEndOfStream();
    HRESULT DeliverBeginFlush();
    HRESULT DeliverEndFlush();
    HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    // The peer's IMemInputPin and the agreed allocator (no references added),
    // under the filter lock.
    IMemInputPin* Input() const { return input_; }
    IMemAllocator* Allocator() const { return allocator_; }

protected:
    // The peer must take samples through IMemInputPin (VFW_E_NO_TRANSPORT).
    HRESULT CheckConnect(IPin* peer) override;
    // Agrees the allocator through DecideAllocator.
    HRESULT CompleteConnect(IPin* peer) override;
    void BreakConnect() override;

    // Chooses the allocator: the peer's own (GetAllocator) when
    // DecideBufferSize and the peer's NotifyAllocator accept it, else a new
    // memory allocator. *allocator receives a reference.
    virtual HRESULT DecideAllocator(IMemInputPin* input, IMemAllocator** allocator);
    // Sets the buffer count and size on `allocator` (IMemAllocator::
    // SetProperties), starting from the peer's `request`. E_NOTIMPL by default.
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request);

private:
    IMemInputPin* input_ = nullptr;
    IMemAllocator* allocator_ = nullptr;
};

}  // namespace mr::dshow
