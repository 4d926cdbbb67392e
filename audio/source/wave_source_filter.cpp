#include "audio/source/wave_source_filter.h"

#include <mmreg.h>

#include <cstdint>
#include <cstring>
#include <new>

#include "audio/dshow/base_filter.h"
#include "audio/dshow/source_pin.h"
#include "audio/source/wave_source.h"
#include "common/com/filter_ids.h"
#include "common/com/wave_interfaces.h"
#include "common/lock.h"

namespace mr::audio {
namespace {

using dshow::BaseFilter;
using dshow::BasePin;
using dshow::SourcePin;
using wavesource::FillStatus;
using wavesource::LoadStatus;
using wavesource::SampleInfo;
using wavesource::WaveSource;

constexpr long kBufferCount = 16;
constexpr DWORD kSeekingCaps = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                               AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;

class WaveSourceFilter;

// The output pin: the streaming thread fills samples from the WaveSource,
// and seeking restarts it. `lock_` (the pin's lock) guards the WaveSource,
// the seeking values and the slow-down flag; the fill holds it throughout.
class WaveSourcePin final : public SourcePin, public IMediaSeeking {
public:
    explicit WaveSourcePin(WaveSourceFilter* filter);

    MR_DSHOW_FORWARD_IUNKNOWN(BasePin)

    // Under the filter lock.
    HRESULT Load(const wchar_t* name);
    void SetSlowDown(bool on);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
    HRESULT GetMediaType(int index, AM_MEDIA_TYPE* mt) override;

    // IMediaSeeking
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

    HRESULT Inactive() override;

protected:
    HRESULT QueryPinInterface(REFIID riid, void** ppv) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT OnStreamStart() override;
    HRESULT FillSample(IMediaSample* sample) override;

private:
    static bool IsMediaTime(const GUID* format) { return !format || *format == TIME_FORMAT_MEDIA_TIME; }
    void FillFormat(WAVEFORMATEX* wf) const;

    ReentrantLock lock_;
    WaveSource source_;
    bool slowDown_ = false;
    LONGLONG start_ = 0;
    LONGLONG stop_ = 0;
    bool startFailed_ = false;
    // The streaming thread has begun a segment that is not yet stopped.
    bool streamActive_ = false;
};

class WaveSourceFilter final : public BaseFilter, public IFileSourceFilter, public ISlowDownControl {
public:
    WaveSourceFilter() : BaseFilter(CLSID_MRWavSource), pin_(this) {}

    MR_DSHOW_FORWARD_IUNKNOWN(BaseFilter)

    int PinCount() override { return 1; }
    BasePin* GetPin(int index) override { return index == 0 ? &pin_ : nullptr; }

    // IFileSourceFilter
    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR name, const AM_MEDIA_TYPE*) override {
        if (!name) return E_POINTER;
        LockGuard guard(lock_);
        // Opening the file builds a path string; running out of memory there
        // must not leave this entry point as an exception.
        try {
            return pin_.Load(name);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR*, AM_MEDIA_TYPE*) override { return E_NOTIMPL; }

    // ISlowDownControl
    HRESULT STDMETHODCALLTYPE SetSlowDown(BOOL slowDown) override {
        pin_.SetSlowDown(slowDown != FALSE);
        return S_OK;
    }

protected:
    HRESULT QueryFilterInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IFileSourceFilter) {
            *ppv = static_cast<IFileSourceFilter*>(this);
        } else if (riid == IID_ISlowDownControl) {
            *ppv = static_cast<ISlowDownControl*>(this);
        } else {
            return BaseFilter::QueryFilterInterface(riid, ppv);
        }
        AddRef();
        return S_OK;
    }

private:
    WaveSourcePin pin_;
};

WaveSourcePin::WaveSourcePin(WaveSourceFilter* filter) : SourcePin(filter, L"Output") {}

HRESULT WaveSourcePin::QueryPinInterface(REFIID riid, void** ppv) {
    if (riid == IID_IMediaSeeking) {
        *ppv = static_cast<IMediaSeeking*>(this);
        AddRef();
        return S_OK;
    }
    return SourcePin::QueryPinInterface(riid, ppv);
}

HRESULT WaveSourcePin::Load(const wchar_t* name) {
    LockGuard guard(lock_);
    const size_t length = std::wcslen(name);
    const std::u16string_view path(reinterpret_cast<const char16_t*>(name), length);
    switch (source_.Load(path)) {
        case LoadStatus::Ok:
            break;
        case LoadStatus::InvalidFormat:
            return VFW_E_INVALID_FILE_FORMAT;
        case LoadStatus::OutOfMemory:
            return E_OUTOFMEMORY;
        case LoadStatus::AlreadyLoaded:
        case LoadStatus::Unreadable:
            return E_UNEXPECTED;
    }
    start_ = 0;
    stop_ = source_.Duration();
    return S_OK;
}

void WaveSourcePin::SetSlowDown(bool on) {
    LockGuard guard(lock_);
    slowDown_ = on;
}

void WaveSourcePin::FillFormat(WAVEFORMATEX* wf) const {
    const wavesource::WaveFormat& f = source_.Format();
    std::memset(wf, 0, sizeof *wf);
    wf->wFormatTag = WAVE_FORMAT_PCM;
    wf->nChannels = f.channels;
    wf->nSamplesPerSec = f.samplesPerSec;
    wf->nBlockAlign = f.blockAlign;
    wf->wBitsPerSample = f.bitsPerSample;
    wf->nAvgBytesPerSec = f.blockAlign * f.samplesPerSec;
    wf->cbSize = 0;
}

HRESULT WaveSourcePin::GetMediaType(int index, AM_MEDIA_TYPE* mt) {
    if (!mt) return E_POINTER;
    LockGuard guard(lock_);
    if (!source_.IsLoaded()) return E_UNEXPECTED;
    if (index < 0) return E_INVALIDARG;
    if (index > 0) return VFW_S_NO_MORE_ITEMS;
    auto* wf = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
    if (!wf) return E_OUTOFMEMORY;
    FillFormat(wf);
    std::memset(mt, 0, sizeof *mt);
    mt->majortype = MEDIATYPE_Audio;
    mt->subtype = MEDIASUBTYPE_PCM;
    mt->bFixedSizeSamples = TRUE;
    mt->lSampleSize = wf->nBlockAlign;
    mt->formattype = FORMAT_WaveFormatEx;
    mt->cbFormat = sizeof(WAVEFORMATEX);
    mt->pbFormat = reinterpret_cast<BYTE*>(wf);
    return S_OK;
}

HRESULT WaveSourcePin::CheckMediaType(const AM_MEDIA_TYPE& mt) {
    LockGuard guard(lock_);
    if (!source_.IsLoaded()) return E_UNEXPECTED;
    if (mt.majortype != MEDIATYPE_Audio || mt.subtype != MEDIASUBTYPE_PCM || mt.formattype != FORMAT_WaveFormatEx ||
        !mt.pbFormat || mt.cbFormat < sizeof(WAVEFORMATEX))
        return VFW_E_TYPE_NOT_ACCEPTED;
    WAVEFORMATEX ours;
    FillFormat(&ours);
    WAVEFORMATEX theirs;
    std::memcpy(&theirs, mt.pbFormat, sizeof theirs);
    if (theirs.wFormatTag != ours.wFormatTag || theirs.nChannels != ours.nChannels ||
        theirs.nSamplesPerSec != ours.nSamplesPerSec || theirs.nBlockAlign != ours.nBlockAlign ||
        theirs.wBitsPerSample != ours.wBitsPerSample || theirs.nAvgBytesPerSec != ours.nAvgBytesPerSec)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT WaveSourcePin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
    long size;
    {
        LockGuard guard(lock_);
        if (!source_.IsLoaded()) return E_UNEXPECTED;
        size = static_cast<long>(source_.SampleBytes());
    }
    ALLOCATOR_PROPERTIES want = *request;
    want.cBuffers = kBufferCount;
    want.cbBuffer = size;
    if (want.cbAlign <= 0) want.cbAlign = 1;
    ALLOCATOR_PROPERTIES actual = {};
    const HRESULT hr = allocator->SetProperties(&want, &actual);
    if (FAILED(hr)) return hr;
    // Fewer or smaller buffers than asked cannot carry the samples; larger
    // ones (an allocator rounding up to its alignment) can.
    if (actual.cBuffers < kBufferCount || actual.cbBuffer < size) return E_FAIL;
    return S_OK;
}

HRESULT WaveSourcePin::Inactive() {
    const HRESULT hr = SourcePin::Inactive();
    LockGuard guard(lock_);
    streamActive_ = false;
    return hr;
}

HRESULT WaveSourcePin::OnStreamStart() {
    LONGLONG start, stop;
    {
        LockGuard guard(lock_);
        streamActive_ = true;
        source_.SetSlowDown(slowDown_);
        start = start_;
        stop = stop_;
        startFailed_ = !source_.Start(start, stop);
    }
    // Always rate 1, also when stretching: the stretched samples already
    // last twice as long, and audio renderers play a segment at its rate
    // times the sampling rate (the system's renderer on Windows does), so a
    // rate of 0.5 would slow the stretched sound once more, to a quarter of
    // the media's pace and an octave down. The filters that report media
    // time learn of the stretch through ISlowDownControl instead.
    DeliverNewSegment(start, stop, 1.0);
    return S_OK;
}

HRESULT WaveSourcePin::FillSample(IMediaSample* sample) {
    LockGuard guard(lock_);
    if (startFailed_) return E_UNEXPECTED;
    BYTE* buffer = nullptr;
    if (FAILED(sample->GetPointer(&buffer)) || !buffer) return E_UNEXPECTED;
    const long capacity = sample->GetSize();
    if (capacity <= 0) return E_UNEXPECTED;
    SampleInfo info;
    switch (source_.Fill(buffer, static_cast<uint32_t>(capacity), &info)) {
        case FillStatus::Sample:
            break;
        case FillStatus::EndOfStream:
            return S_FALSE;
        case FillStatus::Failed:
            return E_UNEXPECTED;
    }
    REFERENCE_TIME start = info.start, end = info.end;
    sample->SetTime(&start, &end);
    sample->SetActualDataLength(static_cast<long>(info.bytes));
    sample->SetSyncPoint(TRUE);
    sample->SetDiscontinuity(info.discontinuity ? TRUE : FALSE);
    return S_OK;
}

// ---- IMediaSeeking

HRESULT WaveSourcePin::GetCapabilities(DWORD* capabilities) {
    if (!capabilities) return E_POINTER;
    *capabilities = kSeekingCaps;
    return S_OK;
}

HRESULT WaveSourcePin::CheckCapabilities(DWORD* capabilities) {
    if (!capabilities) return E_POINTER;
    const DWORD asked = *capabilities;
    *capabilities &= kSeekingCaps;
    if (*capabilities == asked) return S_OK;
    return *capabilities ? S_FALSE : E_FAIL;
}

HRESULT WaveSourcePin::IsFormatSupported(const GUID* format) {
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT WaveSourcePin::QueryPreferredFormat(GUID* format) {
    if (!format) return E_POINTER;
    *format = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT WaveSourcePin::GetTimeFormat(GUID* format) {
    return QueryPreferredFormat(format);
}

HRESULT WaveSourcePin::IsUsingTimeFormat(const GUID* format) {
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT WaveSourcePin::SetTimeFormat(const GUID* format) {
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

HRESULT WaveSourcePin::GetDuration(LONGLONG* duration) {
    if (!duration) return E_POINTER;
    LockGuard guard(lock_);
    *duration = source_.Duration();
    return S_OK;
}

HRESULT WaveSourcePin::GetStopPosition(LONGLONG* stop) {
    if (!stop) return E_POINTER;
    LockGuard guard(lock_);
    *stop = stop_;
    return S_OK;
}

HRESULT WaveSourcePin::GetCurrentPosition(LONGLONG*) {
    // Only the renderers know what is playing now.
    return E_NOTIMPL;
}

HRESULT WaveSourcePin::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                         const GUID* sourceFormat) {
    if (!target) return E_POINTER;
    if (!IsMediaTime(targetFormat) || !IsMediaTime(sourceFormat)) return E_INVALIDARG;
    *target = source;
    return S_OK;
}

namespace {

// Relative positions come from callers: saturate instead of overflowing.
LONGLONG AddSaturated(LONGLONG a, LONGLONG b) {
    LONGLONG sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) return b > 0 ? INT64_MAX : INT64_MIN;
    return sum;
}

}  // namespace

HRESULT WaveSourcePin::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) {
    const DWORD startBits = currentFlags & AM_SEEKING_PositioningBitsMask;
    const DWORD stopBits = stopFlags & AM_SEEKING_PositioningBitsMask;
    if ((startBits && !current) || (stopBits && !stop)) return E_POINTER;
    bool restart = false;
    {
        LockGuard guard(lock_);
        const LONGLONG duration = source_.Duration();
        LONGLONG newStart = start_, newStop = stop_;
        switch (startBits) {
            case AM_SEEKING_NoPositioning: break;
            case AM_SEEKING_AbsolutePositioning: newStart = *current; break;
            case AM_SEEKING_RelativePositioning: newStart = AddSaturated(start_, *current); break;
            default: return E_INVALIDARG;
        }
        switch (stopBits) {
            case AM_SEEKING_NoPositioning: break;
            case AM_SEEKING_AbsolutePositioning: newStop = *stop; break;
            case AM_SEEKING_RelativePositioning: newStop = AddSaturated(stop_, *stop); break;
            case AM_SEEKING_IncrementalPositioning: newStop = AddSaturated(newStart, *stop); break;
            default: return E_INVALIDARG;
        }
        // Positions outside the file mean its start or its end.
        newStart = newStart < 0 ? 0 : newStart > duration ? duration : newStart;
        newStop = newStop < newStart ? newStart : newStop > duration ? duration : newStop;
        if (startBits != AM_SEEKING_NoPositioning) {
            // A seek: flush, and begin again from the new positions.
            restart = true;
        } else if (newStop != stop_ && streamActive_) {
            // Only the stop moves: the stream goes on from what is playing.
            // One that has already ended starts again where it ended.
            if (!source_.ContinueTo(newStop)) {
                newStart = source_.Ended() ? source_.SegmentStop() : start_;
                if (newStart > newStop) newStart = newStop;
                restart = true;
            }
        }
        start_ = newStart;
        stop_ = newStop;
        if (current && (currentFlags & AM_SEEKING_ReturnTime)) *current = start_;
        if (stop && (stopFlags & AM_SEEKING_ReturnTime)) *stop = stop_;
    }
    return restart ? RestartStreaming() : S_OK;
}

HRESULT WaveSourcePin::GetPositions(LONGLONG* current, LONGLONG* stop) {
    LockGuard guard(lock_);
    if (current) *current = start_;
    if (stop) *stop = stop_;
    return S_OK;
}

HRESULT WaveSourcePin::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
    LockGuard guard(lock_);
    if (earliest) *earliest = 0;
    if (latest) *latest = source_.Duration();
    return S_OK;
}

HRESULT WaveSourcePin::SetRate(double rate) {
    // Slow Down is the only other speed, and it is chosen through
    // ISlowDownControl.
    return rate == 1.0 ? S_OK : E_FAIL;
}

HRESULT WaveSourcePin::GetRate(double* rate) {
    if (!rate) return E_POINTER;
    *rate = 1.0;
    return S_OK;
}

HRESULT WaveSourcePin::GetPreroll(LONGLONG* preroll) {
    if (!preroll) return E_POINTER;
    *preroll = 0;
    return S_OK;
}

}  // namespace

HRESULT CreateWaveSource(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    auto* filter = new (std::nothrow) WaveSourceFilter();
    if (!filter) return E_OUTOFMEMORY;
    const HRESULT hr = filter->QueryInterface(riid, ppv);
    filter->Release();
    return hr;
}

}  // namespace mr::audio
