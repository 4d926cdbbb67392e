#include "audio/dshow/base_pin.h"

#include <cstring>

#include "audio/dshow/com_ptr.h"
#include "audio/dshow/enumerators.h"

namespace mr::dshow {
namespace {

// A partial type from the caller of Connect: GUID_NULL fields match anything.
bool MatchesPartial(const AM_MEDIA_TYPE& mt, const AM_MEDIA_TYPE* partial) {
    if (!partial) return true;
    if (partial->majortype != GUID_NULL && partial->majortype != mt.majortype) return false;
    if (partial->subtype != GUID_NULL && partial->subtype != mt.subtype) return false;
    if (partial->formattype != GUID_NULL && partial->formattype != mt.formattype) return false;
    return true;
}

bool FullySpecified(const AM_MEDIA_TYPE& mt) {
    return mt.majortype != GUID_NULL && mt.formattype != GUID_NULL;
}

// Refusals of a media-type check that callers see as "type not accepted".
HRESULT AsTypeRefusal(HRESULT hr) {
    return SUCCEEDED(hr) || hr == E_FAIL || hr == E_INVALIDARG ? VFW_E_TYPE_NOT_ACCEPTED : hr;
}

}  // namespace

// ---- BasePin

BasePin::BasePin(BaseFilter* filter, const wchar_t* name, PIN_DIRECTION direction)
    : filter_(filter), name_(name), direction_(direction) {}

BasePin::~BasePin() {
    if (IPin* peer = peer_.exchange(nullptr)) peer->Release();
}

HRESULT BasePin::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPin) {
        *ppv = static_cast<IPin*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return QueryPinInterface(riid, ppv);
}

ULONG BasePin::AddRef() {
    return filter_->AddRef();
}

ULONG BasePin::Release() {
    return filter_->Release();
}

HRESULT BasePin::QueryPinInterface(REFIID, void** ppv) {
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT BasePin::Connect(IPin* receiver, const AM_MEDIA_TYPE* mt) {
    if (!receiver) return E_POINTER;
    LockGuard guard(FilterLock());
    if (peer_) return VFW_E_ALREADY_CONNECTED;
    if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
    return AgreeMediaType(receiver, mt);
}

HRESULT BasePin::AgreeMediaType(IPin* receiver, const AM_MEDIA_TYPE* partial) {
    if (partial && FullySpecified(*partial)) return AttemptConnection(receiver, *partial);

    // The receiver's preferred types first, then ours.
    HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
    for (int round = 0; round < 2; ++round) {
        ComPtr<IEnumMediaTypes> types;
        const HRESULT hr = round == 0 ? receiver->EnumMediaTypes(types.Put()) : EnumMediaTypes(types.Put());
        if (FAILED(hr) || !types) continue;
        const HRESULT tried = TryMediaTypes(receiver, partial, types.Get());
        if (SUCCEEDED(tried)) return S_OK;
        // Report the more telling reason when one type got as far as the peer.
        if (tried != VFW_E_NO_ACCEPTABLE_TYPES) failure = tried;
    }
    return failure == VFW_E_TYPE_NOT_ACCEPTED ? VFW_E_NO_ACCEPTABLE_TYPES : failure;
}

HRESULT BasePin::TryMediaTypes(IPin* receiver, const AM_MEDIA_TYPE* partial, IEnumMediaTypes* types) {
    HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
    // A sanity bound on peers whose enumeration never ends.
    constexpr int kMaxTypesTried = 1000;
    for (int i = 0; i < kMaxTypesTried; ++i) {
        AM_MEDIA_TYPE* mt = nullptr;
        ULONG got = 0;
        if (types->Next(1, &mt, &got) != S_OK || got != 1 || !mt) {
            DeleteMediaType(mt);
            break;
        }
        HRESULT hr = VFW_E_NO_ACCEPTABLE_TYPES;
        if (MatchesPartial(*mt, partial)) hr = AttemptConnection(receiver, *mt);
        DeleteMediaType(mt);
        if (SUCCEEDED(hr)) return S_OK;
        if (hr != VFW_E_NO_ACCEPTABLE_TYPES && hr != VFW_E_TYPE_NOT_ACCEPTED) failure = hr;
    }
    return failure;
}

HRESULT BasePin::AttemptConnection(IPin* receiver, const AM_MEDIA_TYPE& mt) {
    HRESULT hr = CheckConnect(receiver);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    hr = CheckMediaType(mt);
    if (hr != S_OK) {
        BreakConnect();
        return AsTypeRefusal(hr);
    }
    receiver->AddRef();
    peer_.store(receiver);
    hr = SetMediaType(mt);
    if (SUCCEEDED(hr)) {
        hr = receiver->ReceiveConnection(this, &mt);
        if (SUCCEEDED(hr)) {
            hr = CompleteConnect(receiver);
            if (SUCCEEDED(hr)) return S_OK;
            receiver->Disconnect();
        }
    }
    DropConnection();
    BreakConnect();
    return hr;
}

void BasePin::DropConnection() {
    if (IPin* peer = peer_.exchange(nullptr)) peer->Release();
    mt_.Clear();
}

HRESULT BasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) {
    if (!connector || !mt) return E_POINTER;
    LockGuard guard(FilterLock());
    if (peer_) return VFW_E_ALREADY_CONNECTED;
    if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
    HRESULT hr = CheckConnect(connector);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    hr = CheckMediaType(*mt);
    if (hr != S_OK) {
        BreakConnect();
        return AsTypeRefusal(hr);
    }
    connector->AddRef();
    peer_.store(connector);
    hr = SetMediaType(*mt);
    if (SUCCEEDED(hr)) hr = CompleteConnect(connector);
    if (FAILED(hr)) {
        DropConnection();
        BreakConnect();
        return hr;
    }
    return S_OK;
}

HRESULT BasePin::Disconnect() {
    LockGuard guard(FilterLock());
    if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
    if (!peer_) return S_FALSE;
    BreakConnect();
    DropConnection();
    return S_OK;
}

HRESULT BasePin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    LockGuard guard(FilterLock());
    *pin = peer_.load();
    if (!*pin) return VFW_E_NOT_CONNECTED;
    (*pin)->AddRef();
    return S_OK;
}

HRESULT BasePin::ConnectionMediaType(AM_MEDIA_TYPE* mt) {
    if (!mt) return E_POINTER;
    LockGuard guard(FilterLock());
    if (!peer_) {
        std::memset(mt, 0, sizeof *mt);
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(mt, mt_.Get());
}

HRESULT BasePin::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    info->pFilter = filter_;
    filter_->AddRef();
    info->dir = direction_;
    const size_t n = std::min<size_t>(name_.size(), MAX_PIN_NAME - 1);
    std::wmemcpy(info->achName, name_.c_str(), n);
    info->achName[n] = L'\0';
    return S_OK;
}

HRESULT BasePin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction) return E_POINTER;
    *direction = direction_;
    return S_OK;
}

HRESULT BasePin::QueryId(LPWSTR* id) {
    if (!id) return E_POINTER;
    const size_t bytes = (name_.size() + 1) * sizeof(wchar_t);
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*id) return E_OUTOFMEMORY;
    std::memcpy(*id, name_.c_str(), bytes);
    return S_OK;
}

HRESULT BasePin::QueryAccept(const AM_MEDIA_TYPE* mt) {
    if (!mt) return E_POINTER;
    LockGuard guard(FilterLock());
    return CheckMediaType(*mt) == S_OK ? S_OK : S_FALSE;
}

HRESULT BasePin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!types) return E_POINTER;
    return CreateMediaTypeEnumerator(this, 0, types);
}

HRESULT BasePin::QueryInternalConnections(IPin**, ULONG*) {
    return E_NOTIMPL;
}

HRESULT BasePin::EndOfStream() {
    return E_UNEXPECTED;
}

HRESULT BasePin::BeginFlush() {
    return E_UNEXPECTED;
}

HRESULT BasePin::EndFlush() {
    return E_UNEXPECTED;
}

HRESULT BasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    segmentStart_.store(start);
    segmentStop_.store(stop);
    segmentRate_.store(rate);
    return S_OK;
}

HRESULT BasePin::GetMediaType(int, AM_MEDIA_TYPE*) {
    return VFW_S_NO_MORE_ITEMS;
}

HRESULT BasePin::Active() {
    return S_OK;
}

HRESULT BasePin::Inactive() {
    return S_OK;
}

HRESULT BasePin::Run(REFERENCE_TIME) {
    return S_OK;
}

HRESULT BasePin::CheckConnect(IPin* peer) {
    PIN_DIRECTION d;
    const HRESULT hr = peer->QueryDirection(&d);
    if (FAILED(hr)) return hr;
    return d == direction_ ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT BasePin::SetMediaType(const AM_MEDIA_TYPE& mt) {
    return mt_.Set(mt);
}

HRESULT BasePin::CompleteConnect(IPin*) {
    return S_OK;
}

void BasePin::BreakConnect() {}

// ---- InputPin

InputPin::InputPin(BaseFilter* filter, const wchar_t* name) : BasePin(filter, name, PINDIR_INPUT) {}

InputPin::~InputPin() {
    if (allocator_) allocator_->Release();
}

HRESULT InputPin::QueryPinInterface(REFIID riid, void** ppv) {
    if (riid == IID_IMemInputPin) {
        *ppv = static_cast<IMemInputPin*>(this);
        AddRef();
        return S_OK;
    }
    return BasePin::QueryPinInterface(riid, ppv);
}

HRESULT InputPin::GetAllocator(IMemAllocator** allocator) {
    if (!allocator) return E_POINTER;
    LockGuard guard(FilterLock());
    if (!allocator_) {
        const HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                            reinterpret_cast<void**>(&allocator_));
        if (FAILED(hr)) {
            allocator_ = nullptr;
            *allocator = nullptr;
            return hr;
        }
    }
    allocator_->AddRef();
    *allocator = allocator_;
    return S_OK;
}

HRESULT InputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
    if (!allocator) return E_POINTER;
    LockGuard guard(FilterLock());
    allocator->AddRef();
    if (allocator_) allocator_->Release();
    allocator_ = allocator;
    readOnly_ = readOnly != FALSE;
    return S_OK;
}

HRESULT InputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) {
    return E_NOTIMPL;
}

HRESULT InputPin::Receive(IMediaSample* sample) {
    return CheckReceive(sample);
}

HRESULT InputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
    if (!samples || !processed) return E_POINTER;
    HRESULT hr = S_OK;
    *processed = 0;
    while (*processed < count) {
        hr = Receive(samples[*processed]);
        if (hr != S_OK) break;
        ++*processed;
    }
    return hr;
}

HRESULT InputPin::ReceiveCanBlock() {
    return S_OK;
}

HRESULT InputPin::BeginFlush() {
    flushing_.store(true);
    return S_OK;
}

HRESULT InputPin::EndFlush() {
    flushing_.store(false);
    runtimeError_.store(false);
    return S_OK;
}

HRESULT InputPin::EndOfStream() {
    return CheckStreaming();
}

HRESULT InputPin::Inactive() {
    runtimeError_.store(false);
    flushing_.store(false);
    // The allocator is committed and decommitted by the output pin that
    // fills it. Stopping before the upstream filter (as the graph does)
    // must not decommit it under that filter's streaming thread, which would
    // see its next buffer refused as a failure before it learns of the stop.
    return S_OK;
}

void InputPin::BreakConnect() {
    if (allocator_) {
        allocator_->Decommit();
        allocator_->Release();
        allocator_ = nullptr;
    }
}

HRESULT InputPin::CheckStreaming() {
    if (!IsConnected()) return VFW_E_NOT_CONNECTED;
    if (Filter()->State() == State_Stopped) return VFW_E_WRONG_STATE;
    if (flushing_.load()) return S_FALSE;
    if (runtimeError_.load()) return VFW_E_RUNTIME_ERROR;
    return S_OK;
}

HRESULT InputPin::CheckReceive(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    const HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    AM_MEDIA_TYPE* changed = nullptr;
    if (sample->GetMediaType(&changed) == S_OK && changed) {
        LockGuard guard(FilterLock());
        const HRESULT accepted = CheckMediaType(*changed);
        HRESULT stored = E_FAIL;
        if (accepted == S_OK) stored = SetMediaType(*changed);
        DeleteMediaType(changed);
        if (FAILED(stored)) {
            SetRuntimeError();
            Filter()->NotifyEvent(EC_ERRORABORT, VFW_E_TYPE_NOT_ACCEPTED, 0);
            return VFW_E_INVALIDMEDIATYPE;
        }
    }
    return S_OK;
}

// ---- OutputPin

OutputPin::OutputPin(BaseFilter* filter, const wchar_t* name) : BasePin(filter, name, PINDIR_OUTPUT) {}

OutputPin::~OutputPin() {
    if (allocator_) allocator_->Release();
    if (input_) input_->Release();
}

HRESULT OutputPin::Active() {
    return allocator_ ? allocator_->Commit() : VFW_E_NO_ALLOCATOR;
}

HRESULT OutputPin::Inactive() {
    return allocator_ ? allocator_->Decommit() : S_OK;
}

HRESULT OutputPin::CheckConnect(IPin* peer) {
    HRESULT hr = BasePin::CheckConnect(peer);
    if (FAILED(hr)) return hr;
    IMemInputPin* input = nullptr;
    hr = peer->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input));
    if (FAILED(hr) || !input) return VFW_E_NO_TRANSPORT;
    if (input_) input_->Release();
    input_ = input;
    return S_OK;
}

HRESULT OutputPin::CompleteConnect(IPin*) {
    if (!input_) return VFW_E_NO_TRANSPORT;
    IMemAllocator* allocator = nullptr;
    const HRESULT hr = DecideAllocator(input_, &allocator);
    if (FAILED(hr)) return hr;
    if (allocator_) allocator_->Release();
    allocator_ = allocator;
    return S_OK;
}

void OutputPin::BreakConnect() {
    if (allocator_) {
        allocator_->Decommit();
        allocator_->Release();
        allocator_ = nullptr;
    }
    if (input_) {
        input_->Release();
        input_ = nullptr;
    }
}

HRESULT OutputPin::DecideAllocator(IMemInputPin* input, IMemAllocator** allocator) {
    *allocator = nullptr;
    ALLOCATOR_PROPERTIES request = {};
    input->GetAllocatorRequirements(&request);
    if (request.cbAlign == 0) request.cbAlign = 1;

    ComPtr<IMemAllocator> candidate;
    HRESULT hr = input->GetAllocator(candidate.Put());
    if (SUCCEEDED(hr) && candidate) {
        hr = DecideBufferSize(candidate.Get(), &request);
        if (SUCCEEDED(hr)) hr = input->NotifyAllocator(candidate.Get(), FALSE);
        if (SUCCEEDED(hr)) {
            *allocator = candidate.Detach();
            return S_OK;
        }
    }
    hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                          candidate.PutVoid());
    if (FAILED(hr)) return hr;
    hr = DecideBufferSize(candidate.Get(), &request);
    if (SUCCEEDED(hr)) hr = input->NotifyAllocator(candidate.Get(), FALSE);
    if (FAILED(hr)) return hr;
    *allocator = candidate.Detach();
    return S_OK;
}

HRESULT OutputPin::DecideBufferSize(IMemAllocator*, ALLOCATOR_PROPERTIES*) {
    return E_NOTIMPL;
}

HRESULT OutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                     DWORD flags) {
    if (!sample) return E_POINTER;
    *sample = nullptr;
    IMemAllocator* allocator = allocator_;
    if (!allocator) return VFW_E_NO_ALLOCATOR;
    return allocator->GetBuffer(sample, start, stop, flags);
}

HRESULT OutputPin::Deliver(IMediaSample* sample) {
    IMemInputPin* input = input_;
    return input ? input->Receive(sample) : VFW_E_NOT_CONNECTED;
}

HRESULT OutputPin::DeliverEndOfStream() {
    IPin* peer = Peer();
    return peer ? peer->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT OutputPin::DeliverBeginFlush() {
    IPin* peer = Peer();
    return peer ? peer->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT OutputPin::DeliverEndFlush() {
    IPin* peer = Peer();
    return peer ? peer->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT OutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    IPin* peer = Peer();
    return peer ? peer->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}

}  // namespace mr::dshow
