#include "audio/dshow/tee.h"

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "audio/dshow/base_filter.h"
#include "audio/dshow/base_pin.h"
#include "audio/dshow/output_queue.h"
#include "audio/dshow/position_pass_through.h"

namespace mr::dshow {
namespace {

class TeeFilter;

class TeeInputPin final : public InputPin {
public:
    explicit TeeInputPin(TeeFilter* tee);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

private:
    TeeFilter* tee_;
};

class TeeOutputPin final : public OutputPin {
public:
    TeeOutputPin(TeeFilter* tee, const std::wstring& name, bool holdsSeeking);
    ~TeeOutputPin() override;

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
    HRESULT GetMediaType(int index, AM_MEDIA_TYPE* mt) override;
    // Start and stop the delivery thread (the allocator is the input's).
    HRESULT Active() override;
    HRESULT Inactive() override;

    OutputQueue* Queue() { return queue_.get(); }
    // False when the seeking pass-through could not be made.
    bool Ready() const { return !holdsSeeking_ || seeking_; }

protected:
    HRESULT CompleteConnect(IPin* peer) override;
    HRESULT DecideAllocator(IMemInputPin* input, IMemAllocator** allocator) override;
    HRESULT QueryPinInterface(REFIID riid, void** ppv) override;

private:
    TeeFilter* tee_;
    std::unique_ptr<OutputQueue> queue_;
    bool holdsSeeking_;
    std::unique_ptr<PositionPassThrough> seeking_;
};

class TeeFilter final : public BaseFilter {
public:
    TeeFilter() : BaseFilter(CLSID_MRTee), input_(this) {}

    // Stops the outputs' delivery threads outside the filter lock: a thread
    // may be inside a peer that calls back into this filter (a renderer's
    // end of stream asks the pin upstream of it for IMediaSeeking), and
    // waiting for it with the lock held would deadlock.
    HRESULT STDMETHODCALLTYPE Stop() override {
        HRESULT hr;
        {
            LockGuard guard(lock_);
            hr = BaseFilter::Stop();
        }
        // The outputs exist for the filter's life; new ones appear only
        // while stopped, on the application thread that is here.
        for (auto& out : outputs_)
            if (OutputQueue* queue = out->Queue()) queue->WaitUntilStopped();
        return hr;
    }

    // False when out of memory.
    bool AddOutput() {
        const std::wstring name = L"Output" + std::to_wstring(outputs_.size() + 1);
        auto* pin = new (std::nothrow) TeeOutputPin(this, name, outputs_.empty());
        if (!pin) return false;
        if (!pin->Ready()) {
            delete pin;
            return false;
        }
        try {
            outputs_.emplace_back(pin);
        } catch (const std::bad_alloc&) {
            delete pin;
            return false;
        }
        IncrementPinVersion();
        return true;
    }

    // Called under the filter lock once an output got connected: keeps one
    // free output available.
    void OnOutputConnected() {
        for (auto& pin : outputs_)
            if (!pin->IsConnected()) return;
        // Without memory there is simply no further output.
        AddOutput();
    }

    int PinCount() override { return 1 + static_cast<int>(outputs_.size()); }
    BasePin* GetPin(int index) override {
        if (index == 0) return &input_;
        if (index < 1 || index > static_cast<int>(outputs_.size())) return nullptr;
        return outputs_[static_cast<size_t>(index - 1)].get();
    }

    TeeInputPin& Input() { return input_; }
    // Outputs change only while stopped, so streaming threads may walk them.
    std::vector<std::unique_ptr<TeeOutputPin>>& Outputs() { return outputs_; }

private:
    TeeInputPin input_;
    std::vector<std::unique_ptr<TeeOutputPin>> outputs_;
};

// ---- TeeInputPin

TeeInputPin::TeeInputPin(TeeFilter* tee) : InputPin(tee, L"Input"), tee_(tee) {}

HRESULT TeeInputPin::CheckMediaType(const AM_MEDIA_TYPE& mt) {
    // Any type the connected outputs' peers take.
    for (auto& out : tee_->Outputs()) {
        IPin* peer = out->Peer();
        if (peer && peer->QueryAccept(&mt) != S_OK) return S_FALSE;
    }
    return S_OK;
}

HRESULT TeeInputPin::Receive(IMediaSample* sample) {
    HRESULT hr = CheckReceive(sample);
    if (hr != S_OK) return hr;
    for (auto& out : tee_->Outputs()) {
        OutputQueue* queue = out->Queue();
        if (!queue) continue;
        const HRESULT delivered = queue->Receive(sample);
        if (FAILED(delivered) && SUCCEEDED(hr)) hr = delivered;
    }
    return hr;
}

HRESULT TeeInputPin::EndOfStream() {
    const HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    for (auto& out : tee_->Outputs())
        if (OutputQueue* queue = out->Queue()) queue->EndOfStream();
    return S_OK;
}

// Flushing takes no filter lock: EndFlush waits for the delivery threads to
// go idle, and a thread's peer may call back into the tee meanwhile. The
// outputs do not change while a stream runs.
HRESULT TeeInputPin::BeginFlush() {
    InputPin::BeginFlush();
    for (auto& out : tee_->Outputs())
        if (OutputQueue* queue = out->Queue()) queue->BeginFlush();
    return S_OK;
}

HRESULT TeeInputPin::EndFlush() {
    for (auto& out : tee_->Outputs())
        if (OutputQueue* queue = out->Queue()) queue->EndFlush();
    return InputPin::EndFlush();
}

HRESULT TeeInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    InputPin::NewSegment(start, stop, rate);
    for (auto& out : tee_->Outputs())
        if (OutputQueue* queue = out->Queue()) queue->NewSegment(start, stop, rate);
    return S_OK;
}

// ---- TeeOutputPin

TeeOutputPin::TeeOutputPin(TeeFilter* tee, const std::wstring& name, bool holdsSeeking)
    : OutputPin(tee, name.c_str()), tee_(tee), holdsSeeking_(holdsSeeking) {
    // Made with the pin, so that QueryInterface never needs the filter lock:
    // peers ask for it on their streaming threads (at the end of a stream)
    // while the application thread may hold the lock in Stop.
    if (holdsSeeking_)
        seeking_.reset(new (std::nothrow) PositionPassThrough(static_cast<IPin*>(this), &tee_->Input()));
}

TeeOutputPin::~TeeOutputPin() = default;

HRESULT TeeOutputPin::CheckMediaType(const AM_MEDIA_TYPE& mt) {
    if (!tee_->Input().IsConnected()) return VFW_E_NOT_CONNECTED;
    return SameMediaType(mt, tee_->Input().ConnectionType()) ? S_OK : S_FALSE;
}

HRESULT TeeOutputPin::GetMediaType(int index, AM_MEDIA_TYPE* mt) {
    if (index != 0 || !tee_->Input().IsConnected()) return VFW_S_NO_MORE_ITEMS;
    return CopyMediaType(mt, tee_->Input().ConnectionType());
}

HRESULT TeeOutputPin::Active() {
    // Made once, while stopped (nothing streams), and kept for the pin's
    // life: the upstream thread may still be in the input's Receive when the
    // tee stops, and must find the queue there.
    if (!queue_) queue_.reset(new (std::nothrow) OutputQueue(this));
    if (!queue_) return E_OUTOFMEMORY;
    return queue_->Start() ? S_OK : E_FAIL;
}

HRESULT TeeOutputPin::Inactive() {
    // The peer is stopped before us, so the delivery thread is free to end;
    // a stopped queue takes nothing more. The filter's Stop waits for the
    // thread once it has let go of the filter lock.
    if (queue_) queue_->RequestStop();
    return S_OK;
}

HRESULT TeeOutputPin::CompleteConnect(IPin* peer) {
    const HRESULT hr = OutputPin::CompleteConnect(peer);
    if (FAILED(hr)) return hr;
    tee_->OnOutputConnected();
    return S_OK;
}

HRESULT TeeOutputPin::DecideAllocator(IMemInputPin* input, IMemAllocator** allocator) {
    *allocator = nullptr;
    IMemAllocator* shared = tee_->Input().Allocator();
    if (!shared) return VFW_E_NO_ALLOCATOR;
    // Every output hands on the same samples: read-only.
    const HRESULT hr = input->NotifyAllocator(shared, TRUE);
    if (FAILED(hr)) return hr;
    shared->AddRef();
    *allocator = shared;
    return S_OK;
}

HRESULT TeeOutputPin::QueryPinInterface(REFIID riid, void** ppv) {
    if (holdsSeeking_ && seeking_ && (riid == IID_IMediaSeeking || riid == IID_IMediaPosition)) {
        if (riid == IID_IMediaSeeking)
            *ppv = static_cast<IMediaSeeking*>(seeking_.get());
        else
            *ppv = static_cast<IMediaPosition*>(seeking_.get());
        AddRef();
        return S_OK;
    }
    return OutputPin::QueryPinInterface(riid, ppv);
}

}  // namespace

HRESULT CreateTeeFilter(IBaseFilter** filter) {
    if (!filter) return E_POINTER;
    *filter = nullptr;
    auto* tee = new (std::nothrow) TeeFilter();
    if (!tee) return E_OUTOFMEMORY;
    if (!tee->AddOutput()) {
        tee->Release();
        return E_OUTOFMEMORY;
    }
    *filter = tee;
    return S_OK;
}

}  // namespace mr::dshow
