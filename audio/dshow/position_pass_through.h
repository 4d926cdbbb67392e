#pragma once
// Seeking pass-through: answers IMediaSeeking and IMediaPosition for a filter
// (or pin) by forwarding every call to the pin connected to one of its input
// pins, as a renderer or sink must so that the graph can seek upstream. A
// renderer also tells it the media times of the sample being rendered, which
// then serve as the current position.
//
// The object has no reference count of its own: QueryInterface, AddRef and
// Release go to the owner, which deletes it when the owner goes.

#include <windows.h>
#include <dshow.h>

#include "audio/dshow/base_pin.h"

namespace mr::dshow {

class PositionPassThrough final : public IMediaSeeking, public IMediaPosition {
public:
    // `owner` (the filter or pin exposing the interfaces) and `pin` (whose
    // peer receives the calls) must outlive this object; neither is referenced.
    PositionPassThrough(IUnknown* owner, BasePin* pin);

    // The media times of a sample now being rendered: the pin's segment start
    // plus the sample's stream times scaled by `rate`, media time per stream
    // time (the segment's rate, or 0.5 for a renderer that knows its stream
    // is stretched to twice the media's length), saturating. Samples without
    // times are ignored.
    void RegisterMediaTime(IMediaSample* sample, double rate);
    void RegisterMediaTime(IMediaSample* sample) { RegisterMediaTime(sample, pin_->SegmentRate()); }
    // Forgets the registered times (after a flush).
    void ResetMediaTime();
    // At the end of the stream the current position is the end of the last
    // registered sample. (The peer is not asked for its stop position: this
    // runs on the streaming thread, which must not wait on the peer's locks.)
    void EndOfStream();

    // IUnknown, delegated to the owner.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IMediaSeeking: forwarded to the peer (E_NOTIMPL when it has none);
    // GetCurrentPosition prefers the registered media time.
    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* capabilities) override;
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD* capabilities) override;
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID* format) override;
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID* format) override;
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID* format) override;
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID* format) override;
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID* format) override;
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* duration) override;
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG* stop) override;
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* current) override;
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                                const GUID* sourceFormat) override;
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                           DWORD stopFlags) override;
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* current, LONGLONG* stop) override;
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
    HRESULT STDMETHODCALLTYPE SetRate(double rate) override;
    HRESULT STDMETHODCALLTYPE GetRate(double* rate) override;
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG* preroll) override;

    // IDispatch: no type information (IMediaPosition is called directly).
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

    // IMediaPosition, in seconds, on top of the IMediaSeeking calls above.
    // Times beyond the 100-ns range saturate; NaN is E_INVALIDARG.
    HRESULT STDMETHODCALLTYPE get_Duration(REFTIME* length) override;
    HRESULT STDMETHODCALLTYPE put_CurrentPosition(REFTIME time) override;
    HRESULT STDMETHODCALLTYPE get_CurrentPosition(REFTIME* time) override;
    HRESULT STDMETHODCALLTYPE get_StopTime(REFTIME* time) override;
    HRESULT STDMETHODCALLTYPE put_StopTime(REFTIME time) override;
    HRESULT STDMETHODCALLTYPE get_PrerollTime(REFTIME* time) override;
    HRESULT STDMETHODCALLTYPE put_PrerollTime(REFTIME time) override;
    HRESULT STDMETHODCALLTYPE put_Rate(double rate) override;
    HRESULT STDMETHODCALLTYPE get_Rate(double* rate) override;
    HRESULT STDMETHODCALLTYPE CanSeekForward(LONG* can) override;
    HRESULT STDMETHODCALLTYPE CanSeekBackward(LONG* can) override;

private:
    // The peer's IMediaSeeking, with a reference, or E_NOTIMPL.
    HRESULT PeerSeeking(IMediaSeeking** seeking);

    IUnknown* owner_;
    BasePin* pin_;
    ReentrantLock timesLock_;
    bool haveTimes_ = false;
    LONGLONG startMedia_ = 0;
    LONGLONG endMedia_ = 0;
};

}  // namespace mr::dshow
