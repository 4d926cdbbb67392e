#include "tests/dshow/graph_support.h"

#include "tests/support/test_support.h"

namespace mr::test {

WaveFile MakeWave(uint16_t channels, uint32_t rate, uint16_t bits, uint32_t frames) {
    WaveFile w;
    const uint32_t blockAlign = channels * (bits / 8u);
    w.data.resize(static_cast<size_t>(frames) * blockAlign);
    uint32_t x = 12345;
    for (auto& b : w.data) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    Bytes b;
    b.Raw("RIFF").U32(static_cast<uint32_t>(36 + w.data.size())).Raw("WAVE");
    b.Raw("fmt ").U32(16).U16(1).U16(channels).U32(rate).U32(rate * blockAlign).U16(static_cast<uint16_t>(blockAlign));
    b.U16(bits);
    b.Raw("data").U32(static_cast<uint32_t>(w.data.size())).Raw(w.data);
    w.bytes = b.Get();
    return w;
}

ComScope::ComScope() {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
}

ComScope::~ComScope() {
    CoUninitialize();
}

std::wstring ModulePath(const wchar_t* dll) {
    const std::u16string folder = ProgramFolder();
    return std::wstring(folder.begin(), folder.end()) + L"\\" + dll;
}

HRESULT CallModuleExport(const wchar_t* dll, const char* name) {
    HMODULE module = LoadLibraryW(ModulePath(dll).c_str());
    if (!module) return HRESULT_FROM_WIN32(GetLastError());
    using Export = HRESULT(STDAPICALLTYPE*)();
    auto fn = reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    const HRESULT hr = fn ? fn() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    FreeLibrary(module);
    return hr;
}

ComPtr<IGraphBuilder> NewGraph() {
    ComPtr<IGraphBuilder> graph;
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.PutVoid());
    return graph;
}

ComPtr<IBaseFilter> NewFilter(const CLSID& clsid) {
    ComPtr<IBaseFilter> filter;
    CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.PutVoid());
    return filter;
}

ComPtr<IPin> PinOf(IBaseFilter* filter, PIN_DIRECTION direction, int index) {
    ComPtr<IEnumPins> pins;
    if (!filter || FAILED(filter->EnumPins(pins.Put()))) return {};
    for (;;) {
        ComPtr<IPin> pin;
        ULONG got = 0;
        if (pins->Next(1, pin.Put(), &got) != S_OK || got != 1) return {};
        PIN_DIRECTION d;
        if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction && index-- == 0) return pin;
    }
}

ComPtr<IBaseFilter> AddWaveParser(IGraphBuilder* graph, const std::wstring& path, HRESULT* hr) {
    ComPtr<IBaseFilter> source = NewFilter(CLSID_AsyncReader);
    ComPtr<IBaseFilter> parser = NewFilter(kClsidWaveParser);
    if (!source || !parser) {
        *hr = REGDB_E_CLASSNOTREG;
        return {};
    }
    ComPtr<IFileSourceFilter> load;
    *hr = source.As(IID_IFileSourceFilter, &load);
    if (SUCCEEDED(*hr)) *hr = load->Load(path.c_str(), nullptr);
    if (SUCCEEDED(*hr)) *hr = graph->AddFilter(source.Get(), path.c_str());
    if (SUCCEEDED(*hr)) *hr = graph->AddFilter(parser.Get(), L"WAVE parser");
    if (SUCCEEDED(*hr))
        *hr = graph->ConnectDirect(PinOf(source.Get(), PINDIR_OUTPUT).Get(), PinOf(parser.Get(), PINDIR_INPUT).Get(),
                                   nullptr);
    if (FAILED(*hr)) return {};
    return parser;
}

long WaitForCompletion(IGraphBuilder* graph, long timeoutMs) {
    ComPtr<IMediaEvent> events;
    if (FAILED(graph->QueryInterface(IID_IMediaEvent, events.PutVoid()))) return 0;
    long code = 0;
    if (FAILED(events->WaitForCompletion(timeoutMs, &code))) return 0;
    return code;
}

bool HasEvent(IGraphBuilder* graph, long code, LONG_PTR* param1) {
    ComPtr<IMediaEvent> events;
    if (FAILED(graph->QueryInterface(IID_IMediaEvent, events.PutVoid()))) return false;
    bool found = false;
    long c = 0;
    LONG_PTR p1 = 0, p2 = 0;
    while (events->GetEvent(&c, &p1, &p2, 0) == S_OK) {
        if (c == code && !found) {
            found = true;
            if (param1) *param1 = p1;
        }
        events->FreeEventParams(c, p1, p2);
    }
    return found;
}

void ProgressRecorder::SetClock(IReferenceClock* clock) {
    LockGuard guard(lock_);
    clock_ = ComPtr<IReferenceClock>(clock);
}

std::vector<ProgressRecorder::Report> ProgressRecorder::Reports() {
    LockGuard guard(lock_);
    return reports_;
}

std::vector<LONGLONG> ProgressRecorder::Values() {
    LockGuard guard(lock_);
    std::vector<LONGLONG> values;
    for (const auto& r : reports_) values.push_back(r.value);
    return values;
}

void ProgressRecorder::Clear() {
    LockGuard guard(lock_);
    reports_.clear();
}

HRESULT ProgressRecorder::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IWaveProgressCallback) {
        *ppv = static_cast<IWaveProgressCallback*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT ProgressRecorder::OnProgress(LONGLONG value) {
    LockGuard guard(lock_);
    REFERENCE_TIME now = 0;
    if (clock_) clock_->GetTime(&now);
    reports_.push_back({value, now});
    return S_OK;
}

TimedCall::TimedCall(std::function<void()> work) : work_(new std::function<void()>(std::move(work))) {
    thread_ = CreateThread(nullptr, 0, &TimedCall::Proc, work_, 0, nullptr);
    if (!thread_) (*work_)();
}

TimedCall::~TimedCall() {
    if (Finished(10000)) delete work_;
}

bool TimedCall::Finished(DWORD ms) {
    if (!thread_) return true;
    if (WaitForSingleObject(thread_, ms) != WAIT_OBJECT_0) return false;
    CloseHandle(thread_);
    thread_ = nullptr;
    return true;
}

DWORD WINAPI TimedCall::Proc(void* work) {
    (*static_cast<std::function<void()>*>(work))();
    return 0;
}

}  // namespace mr::test
