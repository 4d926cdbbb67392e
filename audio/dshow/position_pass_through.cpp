#include "audio/dshow/position_pass_through.h"

#include <cmath>
#include <limits>

#include "audio/dshow/com_ptr.h"

namespace mr::dshow {
namespace {

constexpr double kUnitsPerSecond = 10000000.0;

// Seconds to 100-ns units, saturating: a time beyond the range means the
// range's end. False for NaN, which means no time at all.
bool ToUnits(REFTIME seconds, LONGLONG* units) {
    if (std::isnan(seconds)) return false;
    const double u = seconds * kUnitsPerSecond;
    // 2^63 is exactly representable; anything from there on saturates.
    constexpr double kLimit = 9223372036854775808.0;
    if (u >= kLimit)
        *units = std::numeric_limits<LONGLONG>::max();
    else if (u <= -kLimit)
        *units = std::numeric_limits<LONGLONG>::min();
    else
        *units = static_cast<LONGLONG>(u);
    return true;
}

LONGLONG AddSaturated(LONGLONG a, LONGLONG b) {
    LONGLONG sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return b > 0 ? std::numeric_limits<LONGLONG>::max() : std::numeric_limits<LONGLONG>::min();
    return sum;
}

// Media time of a stream time within a segment, `rate` being media time per
// stream time (0.5 for a stream stretched to twice the media's length). Rates
// that are not positive and finite count as 1.
LONGLONG MediaTime(LONGLONG segmentStart, LONGLONG streamTime, double rate) {
    if (rate == 1.0 || !(rate > 0.0) || !std::isfinite(rate)) return AddSaturated(segmentStart, streamTime);
    LONGLONG scaled = 0;
    ToUnits(static_cast<double>(streamTime) * rate / kUnitsPerSecond, &scaled);
    return AddSaturated(segmentStart, scaled);
}

REFTIME ToSeconds(LONGLONG units) {
    return static_cast<REFTIME>(units) / kUnitsPerSecond;
}

}  // namespace

PositionPassThrough::PositionPassThrough(IUnknown* owner, BasePin* pin) : owner_(owner), pin_(pin) {}

void PositionPassThrough::RegisterMediaTime(IMediaSample* sample, double rate) {
    REFERENCE_TIME start = 0, stop = 0;
    if (!sample || FAILED(sample->GetTime(&start, &stop))) return;
    const LONGLONG segmentStart = pin_->SegmentStart();
    LockGuard guard(timesLock_);
    startMedia_ = MediaTime(segmentStart, start, rate);
    endMedia_ = MediaTime(segmentStart, stop, rate);
    haveTimes_ = true;
}

void PositionPassThrough::ResetMediaTime() {
    LockGuard guard(timesLock_);
    haveTimes_ = false;
}

void PositionPassThrough::EndOfStream() {
    LockGuard guard(timesLock_);
    if (haveTimes_) startMedia_ = endMedia_;
}

HRESULT PositionPassThrough::QueryInterface(REFIID riid, void** ppv) {
    return owner_->QueryInterface(riid, ppv);
}

ULONG PositionPassThrough::AddRef() {
    return owner_->AddRef();
}

ULONG PositionPassThrough::Release() {
    return owner_->Release();
}

HRESULT PositionPassThrough::PeerSeeking(IMediaSeeking** seeking) {
    *seeking = nullptr;
    // Without the filter lock: streaming threads come here at the end of the
    // stream, and the connection cannot change until the filter stops.
    IPin* peer = pin_->Peer();
    if (!peer) return E_NOTIMPL;
    if (FAILED(peer->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(seeking))) || !*seeking) {
        *seeking = nullptr;
        return E_NOTIMPL;
    }
    return S_OK;
}

// Each IMediaSeeking method forwards its arguments to the peer's.
#define MR_FORWARD_SEEKING(call)                          \
    ComPtr<IMediaSeeking> peer;                            \
    const HRESULT found = PeerSeeking(peer.Put());         \
    if (FAILED(found)) return found;                       \
    return peer->call

HRESULT PositionPassThrough::GetCapabilities(DWORD* capabilities) {
    MR_FORWARD_SEEKING(GetCapabilities(capabilities));
}

HRESULT PositionPassThrough::CheckCapabilities(DWORD* capabilities) {
    MR_FORWARD_SEEKING(CheckCapabilities(capabilities));
}

HRESULT PositionPassThrough::IsFormatSupported(const GUID* format) {
    MR_FORWARD_SEEKING(IsFormatSupported(format));
}

HRESULT PositionPassThrough::QueryPreferredFormat(GUID* format) {
    MR_FORWARD_SEEKING(QueryPreferredFormat(format));
}

HRESULT PositionPassThrough::GetTimeFormat(GUID* format) {
    MR_FORWARD_SEEKING(GetTimeFormat(format));
}

HRESULT PositionPassThrough::IsUsingTimeFormat(const GUID* format) {
    MR_FORWARD_SEEKING(IsUsingTimeFormat(format));
}

HRESULT PositionPassThrough::SetTimeFormat(const GUID* format) {
    MR_FORWARD_SEEKING(SetTimeFormat(format));
}

HRESULT PositionPassThrough::GetDuration(LONGLONG* duration) {
    MR_FORWARD_SEEKING(GetDuration(duration));
}

HRESULT PositionPassThrough::GetStopPosition(LONGLONG* stop) {
    MR_FORWARD_SEEKING(GetStopPosition(stop));
}

HRESULT PositionPassThrough::GetCurrentPosition(LONGLONG* current) {
    if (!current) return E_POINTER;
    {
        LockGuard guard(timesLock_);
        if (haveTimes_) {
            *current = startMedia_;
            return S_OK;
        }
    }
    MR_FORWARD_SEEKING(GetCurrentPosition(current));
}

HRESULT PositionPassThrough::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                               const GUID* sourceFormat) {
    MR_FORWARD_SEEKING(ConvertTimeFormat(target, targetFormat, source, sourceFormat));
}

HRESULT PositionPassThrough::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) {
    MR_FORWARD_SEEKING(SetPositions(current, currentFlags, stop, stopFlags));
}

HRESULT PositionPassThrough::GetPositions(LONGLONG* current, LONGLONG* stop) {
    if (current) {
        const HRESULT hr = GetCurrentPosition(current);
        if (FAILED(hr)) return hr;
    }
    return stop ? GetStopPosition(stop) : S_OK;
}

HRESULT PositionPassThrough::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
    MR_FORWARD_SEEKING(GetAvailable(earliest, latest));
}

HRESULT PositionPassThrough::SetRate(double rate) {
    MR_FORWARD_SEEKING(SetRate(rate));
}

HRESULT PositionPassThrough::GetRate(double* rate) {
    MR_FORWARD_SEEKING(GetRate(rate));
}

HRESULT PositionPassThrough::GetPreroll(LONGLONG* preroll) {
    MR_FORWARD_SEEKING(GetPreroll(preroll));
}

#undef MR_FORWARD_SEEKING

HRESULT PositionPassThrough::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT PositionPassThrough::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT PositionPassThrough::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

HRESULT PositionPassThrough::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

HRESULT PositionPassThrough::get_Duration(REFTIME* length) {
    if (!length) return E_POINTER;
    LONGLONG units = 0;
    const HRESULT hr = GetDuration(&units);
    if (SUCCEEDED(hr)) *length = ToSeconds(units);
    return hr;
}

HRESULT PositionPassThrough::put_CurrentPosition(REFTIME time) {
    LONGLONG units = 0;
    if (!ToUnits(time, &units)) return E_INVALIDARG;
    return SetPositions(&units, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
}

HRESULT PositionPassThrough::get_CurrentPosition(REFTIME* time) {
    if (!time) return E_POINTER;
    LONGLONG units = 0;
    const HRESULT hr = GetCurrentPosition(&units);
    if (SUCCEEDED(hr)) *time = ToSeconds(units);
    return hr;
}

HRESULT PositionPassThrough::get_StopTime(REFTIME* time) {
    if (!time) return E_POINTER;
    LONGLONG units = 0;
    const HRESULT hr = GetStopPosition(&units);
    if (SUCCEEDED(hr)) *time = ToSeconds(units);
    return hr;
}

HRESULT PositionPassThrough::put_StopTime(REFTIME time) {
    LONGLONG units = 0;
    if (!ToUnits(time, &units)) return E_INVALIDARG;
    return SetPositions(nullptr, AM_SEEKING_NoPositioning, &units, AM_SEEKING_AbsolutePositioning);
}

HRESULT PositionPassThrough::get_PrerollTime(REFTIME* time) {
    if (!time) return E_POINTER;
    LONGLONG units = 0;
    const HRESULT hr = GetPreroll(&units);
    if (SUCCEEDED(hr)) *time = ToSeconds(units);
    return hr;
}

HRESULT PositionPassThrough::put_PrerollTime(REFTIME) {
    return E_NOTIMPL;
}

HRESULT PositionPassThrough::put_Rate(double rate) {
    return SetRate(rate);
}

HRESULT PositionPassThrough::get_Rate(double* rate) {
    return GetRate(rate);
}

HRESULT PositionPassThrough::CanSeekForward(LONG* can) {
    if (!can) return E_POINTER;
    DWORD caps = 0;
    const HRESULT hr = GetCapabilities(&caps);
    if (FAILED(hr)) return hr;
    *can = (caps & AM_SEEKING_CanSeekForwards) ? OATRUE : OAFALSE;
    return S_OK;
}

HRESULT PositionPassThrough::CanSeekBackward(LONG* can) {
    if (!can) return E_POINTER;
    DWORD caps = 0;
    const HRESULT hr = GetCapabilities(&caps);
    if (FAILED(hr)) return hr;
    *can = (caps & AM_SEEKING_CanSeekBackwards) ? OATRUE : OAFALSE;
    return S_OK;
}

}  // namespace mr::dshow
