#include "audio/sink/wave_sink_filter.h"

#include <atomic>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>

#include "audio/dshow/base_filter.h"
#include "audio/dshow/base_pin.h"
#include "audio/dshow/position_pass_through.h"
#include "audio/sink/decode_progress.h"
#include "audio/sink/pcm_format.h"
#include "audio/sink/wave_file_writer.h"
#include "common/com/filter_ids.h"
#include "common/com/wave_interfaces.h"

namespace mr::audio {
namespace {

// Longest file name SetFileName takes, in characters (MAX_PATH).
constexpr size_t kMaxFileNameChars = 260;

class WaveSinkFilter;

class WaveSinkInputPin final : public dshow::InputPin {
public:
    explicit WaveSinkInputPin(WaveSinkFilter* sink);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    // The sink writes to disk and never waits on a clock.
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_FALSE; }

    // Closes a file the stream left unfinished (a stop before the end of the
    // stream), so that it can be replaced or deleted at once; it stays on
    // disk without a valid header. Application thread, no filter lock held.
    void CloseUnfinished();

protected:
    HRESULT SetMediaType(const AM_MEDIA_TYPE& mt) override;

private:
    bool OpenFile();
    HRESULT Abort();
    void Report(int percent);

    WaveSinkFilter* sink_;
    // The streaming lock: Receive and EndOfStream run under it, before the
    // filter lock.
    ReentrantLock streamLock_;
    WaveFileWriter file_;
    // Set once the header is written; one pin writes one file.
    bool finished_ = false;
    DecodeProgress progress_;
    PcmFormat format_;
    bool hasFormat_ = false;
};

class WaveSinkFilter final : public dshow::BaseFilter, public IFileSinkFilter, public IWaveCallbackTarget {
public:
    WaveSinkFilter() : BaseFilter(CLSID_MRWavSink), pin_(this) {}
    ~WaveSinkFilter() override { delete position_.exchange(nullptr); }

    MR_DSHOW_FORWARD_IUNKNOWN(BaseFilter)

    // IFileSinkFilter
    HRESULT STDMETHODCALLTYPE SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE*) override {
        LockGuard guard(lock_);
        if (fileName_) return E_NOTIMPL;
        if (!name) return E_POINTER;
        const size_t n = wcsnlen(name, kMaxFileNameChars + 1);
        if (n > kMaxFileNameChars) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
        std::unique_ptr<char16_t[]> copy(new (std::nothrow) char16_t[n + 1]);
        if (!copy) return E_OUTOFMEMORY;
        std::memcpy(copy.get(), name, n * sizeof(char16_t));
        copy[n] = u'\0';
        fileName_ = std::move(copy);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* mt) override {
        if (!name) return E_POINTER;
        LockGuard guard(lock_);
        *name = nullptr;
        if (fileName_) {
            const size_t bytes = (std::char_traits<char16_t>::length(fileName_.get()) + 1) * sizeof(char16_t);
            *name = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
            if (!*name) return E_OUTOFMEMORY;
            std::memcpy(*name, fileName_.get(), bytes);
        }
        if (mt) std::memset(mt, 0, sizeof *mt);
        return S_OK;
    }

    // IWaveCallbackTarget
    HRESULT STDMETHODCALLTYPE SetCallback(IWaveProgressCallback* callback) override {
        LockGuard guard(lock_);
        callback_.store(callback);
        return S_OK;
    }

    // IMediaFilter: completion reached while paused is reported on Run (the
    // graph counts completions from Run on), and again after each new Run.
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override {
        LockGuard guard(lock_);
        const HRESULT hr = BaseFilter::Pause();
        completionSent_ = false;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override {
        LockGuard guard(lock_);
        const HRESULT hr = BaseFilter::Run(start);
        if (SUCCEEDED(hr)) SendCompletion();
        return hr;
    }

    int PinCount() override { return 1; }
    dshow::BasePin* GetPin(int index) override { return index == 0 ? &pin_ : nullptr; }

    // For the pin, on the streaming thread.
    IWaveProgressCallback* Callback() const { return callback_.load(); }
    dshow::PositionPassThrough* Position() const { return position_.load(); }
    // Copies the file name into `out` (kMaxFileNameChars + 1 units); false
    // when none is set.
    bool CopyFileName(char16_t* out) {
        LockGuard guard(lock_);
        if (!fileName_) return false;
        const size_t n = std::char_traits<char16_t>::length(fileName_.get());
        std::memcpy(out, fileName_.get(), (n + 1) * sizeof(char16_t));
        return true;
    }
    // The stream is complete: tells the graph now when running, else on Run.
    void StreamComplete() {
        LockGuard guard(lock_);
        completionPending_ = true;
        if (State() == State_Running) SendCompletion();
    }

protected:
    HRESULT QueryFilterInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IFileSinkFilter) {
            *ppv = static_cast<IFileSinkFilter*>(this);
        } else if (riid == IID_IWaveCallbackTarget) {
            *ppv = static_cast<IWaveCallbackTarget*>(this);
        } else if (riid == IID_IMediaSeeking || riid == IID_IMediaPosition) {
            LockGuard guard(lock_);
            dshow::PositionPassThrough* position = position_.load();
            if (!position) {
                position = new (std::nothrow) dshow::PositionPassThrough(static_cast<IBaseFilter*>(this), &pin_);
                if (!position) {
                    *ppv = nullptr;
                    return E_OUTOFMEMORY;
                }
                position_.store(position);
            }
            if (riid == IID_IMediaSeeking)
                *ppv = static_cast<IMediaSeeking*>(position);
            else
                *ppv = static_cast<IMediaPosition*>(position);
        } else {
            return BaseFilter::QueryFilterInterface(riid, ppv);
        }
        AddRef();
        return S_OK;
    }

private:
    void SendCompletion() {
        if (!completionPending_ || completionSent_) return;
        completionSent_ = true;
        NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
    }

    WaveSinkInputPin pin_;
    std::unique_ptr<char16_t[]> fileName_;
    // Not referenced: the editor's frame outlives every graph.
    std::atomic<IWaveProgressCallback*> callback_{nullptr};
    std::atomic<dshow::PositionPassThrough*> position_{nullptr};
    bool completionPending_ = false;
    bool completionSent_ = false;
};

HRESULT WaveSinkFilter::Stop() {
    HRESULT hr;
    {
        LockGuard guard(lock_);
        hr = BaseFilter::Stop();
        completionPending_ = false;
        completionSent_ = false;
    }
    // After the lock: the streaming lock comes before the filter lock. Once
    // stopped, no further sample opens the file again.
    pin_.CloseUnfinished();
    return hr;
}

// ---- WaveSinkInputPin

WaveSinkInputPin::WaveSinkInputPin(WaveSinkFilter* sink) : InputPin(sink, L"Input"), sink_(sink) {}

HRESULT WaveSinkInputPin::CheckMediaType(const AM_MEDIA_TYPE& mt) {
    if (mt.majortype != MEDIATYPE_Audio || mt.subtype != MEDIASUBTYPE_PCM || mt.formattype != FORMAT_WaveFormatEx)
        return VFW_E_TYPE_NOT_ACCEPTED;
    PcmFormat f;
    switch (ReadPcmFormat(mt.pbFormat, mt.cbFormat, &f)) {
        case FormatBlockResult::Ok: break;
        case FormatBlockResult::Missing: return E_INVALIDARG;
        case FormatBlockResult::Refused: return VFW_E_TYPE_NOT_ACCEPTED;
    }
    if (Filter()->State() == State_Stopped) return IsAcceptedSinkFormat(f) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    // A format change while streaming must keep the layout already written.
    if (!hasFormat_) return E_INVALIDARG;
    return SameSampleLayout(f, format_) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT WaveSinkInputPin::SetMediaType(const AM_MEDIA_TYPE& mt) {
    const HRESULT hr = InputPin::SetMediaType(mt);
    if (FAILED(hr)) return hr;
    hasFormat_ = ReadPcmFormat(mt.pbFormat, mt.cbFormat, &format_) == FormatBlockResult::Ok;
    return S_OK;
}

void WaveSinkInputPin::CloseUnfinished() {
    LockGuard stream(streamLock_);
    if (!finished_ && file_.IsOpen()) file_.Close();
}

bool WaveSinkInputPin::OpenFile() {
    char16_t name[kMaxFileNameChars + 1];
    if (!sink_->CopyFileName(name) || !file_.Open(name)) return false;
    progress_.Start(SegmentStart(), SegmentStop());
    return true;
}

HRESULT WaveSinkInputPin::Abort() {
    SetRuntimeError();
    sink_->NotifyEvent(EC_ERRORABORT, E_UNEXPECTED, 0);
    return E_UNEXPECTED;
}

void WaveSinkInputPin::Report(int percent) {
    if (percent < 0) return;
    if (IWaveProgressCallback* callback = sink_->Callback()) callback->OnProgress(percent);
}

HRESULT WaveSinkInputPin::Receive(IMediaSample* sample) {
    LockGuard stream(streamLock_);
    const HRESULT hr = CheckReceive(sample);
    if (hr != S_OK) return hr;
    if (dshow::PositionPassThrough* position = sink_->Position()) position->RegisterMediaTime(sample);
    if (finished_) return S_OK;
    if (!file_.IsOpen() && !OpenFile()) return Abort();

    const long length = sample->GetActualDataLength();
    if (length > 0) {
        BYTE* data = nullptr;
        if (FAILED(sample->GetPointer(&data)) || !data) return Abort();
        // A length beyond the buffer is the upstream filter's fault; only
        // what the buffer holds is written.
        const long size = sample->GetSize();
        const long n = length > size ? size : length;
        if (n > 0 && !file_.Append(data, static_cast<uint32_t>(n))) return Abort();
    }

    REFERENCE_TIME start = 0, end = 0;
    if (sample->GetTime(&start, &end) == S_OK) Report(progress_.Update(end));
    return S_OK;
}

HRESULT WaveSinkInputPin::EndOfStream() {
    LockGuard stream(streamLock_);
    const HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    if (dshow::PositionPassThrough* position = sink_->Position()) position->EndOfStream();
    if (!finished_) {
        // An empty stream still yields a valid (empty) wave file.
        if (!file_.IsOpen() && !OpenFile()) return Abort();
        if (!file_.Finish(format_)) return Abort();
        finished_ = true;
        Report(progress_.Finish());
    }
    sink_->StreamComplete();
    return S_OK;
}

}  // namespace

HRESULT CreateWaveSink(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    auto* sink = new (std::nothrow) WaveSinkFilter();
    if (!sink) return E_OUTOFMEMORY;
    const HRESULT hr = sink->QueryInterface(riid, ppv);
    sink->Release();
    return hr;
}

}  // namespace mr::audio
