#include "tests/graph/stand_in_filters.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "audio/dshow/base_filter.h"
#include "audio/dshow/base_pin.h"
#include "audio/dshow/media_type.h"
#include "audio/graph/graph_filters.h"
#include "tests/dshow/test_filters.h"

namespace mr::test {
namespace {

// {5B0C6E2A-1F47-4D8E-A3B1-2C9D8E7F6A01} .. 04: classes and private types.
constexpr CLSID kPartialSourceClsid = {0x5b0c6e2a, 0x1f47, 0x4d8e, {0xa3, 0xb1, 0x2c, 0x9d, 0x8e, 0x7f, 0x6a, 0x01}};
constexpr CLSID kCompanionClsid = {0x5b0c6e2a, 0x1f47, 0x4d8e, {0xa3, 0xb1, 0x2c, 0x9d, 0x8e, 0x7f, 0x6a, 0x02}};
constexpr GUID kPrivateStream = {0x5b0c6e2a, 0x1f47, 0x4d8e, {0xa3, 0xb1, 0x2c, 0x9d, 0x8e, 0x7f, 0x6a, 0x03}};
constexpr GUID kPrivateMajor = {0x5b0c6e2a, 0x1f47, 0x4d8e, {0xa3, 0xb1, 0x2c, 0x9d, 0x8e, 0x7f, 0x6a, 0x04}};
constexpr CLSID kRefusingClsid = {0x5b0c6e2a, 0x1f47, 0x4d8e, {0xa3, 0xb1, 0x2c, 0x9d, 0x8e, 0x7f, 0x6a, 0x05}};

AM_MEDIA_TYPE PlainType(const GUID& major, const GUID& sub) {
    AM_MEDIA_TYPE mt{};
    mt.majortype = major;
    mt.subtype = sub;
    mt.formattype = FORMAT_None;
    mt.bFixedSizeSamples = TRUE;
    mt.lSampleSize = 1;
    return mt;
}

// An output pin offering one media type; it never streams.
class OfferingPin final : public dshow::OutputPin {
public:
    OfferingPin(dshow::BaseFilter* filter, const wchar_t* name, const AM_MEDIA_TYPE& type,
                std::atomic<int>* connected = nullptr)
        : OutputPin(filter, name), connected_(connected) {
        type_.Set(type);
    }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
        return dshow::SameMediaType(mt, type_.Get()) ? S_OK : S_FALSE;
    }
    HRESULT GetMediaType(int index, AM_MEDIA_TYPE* mt) override {
        if (index != 0) return VFW_S_NO_MORE_ITEMS;
        return dshow::CopyMediaType(mt, type_.Get());
    }

protected:
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override {
        request->cBuffers = 1;
        request->cbBuffer = 4096;
        ALLOCATOR_PROPERTIES actual;
        return allocator->SetProperties(request, &actual);
    }
    HRESULT CompleteConnect(IPin* peer) override {
        const HRESULT hr = OutputPin::CompleteConnect(peer);
        if (SUCCEEDED(hr) && connected_) ++*connected_;
        return hr;
    }

private:
    dshow::MediaType type_;
    std::atomic<int>* connected_;
};

class AcceptingPin final : public dshow::InputPin {
public:
    AcceptingPin(dshow::BaseFilter* filter, const GUID* subtype) : InputPin(filter, L"Input"), subtype_(subtype) {}
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
        return subtype_ && mt.majortype == MEDIATYPE_Stream && mt.subtype == *subtype_ ? S_OK : S_FALSE;
    }

private:
    const GUID* subtype_;
};

class Companion final : public dshow::BaseFilter {
public:
    explicit Companion(StandInLog* log)
        : BaseFilter(kCompanionClsid),
          in_(this, &kPrivateStream),
          pcm_(this, L"Pcm", *Pcm(), &log->pcmOutputsConnected),
          odd_(this, L"Odd", PlainType(kPrivateMajor, kPrivateMajor)) {}
    int PinCount() override { return 3; }
    dshow::BasePin* GetPin(int index) override {
        dshow::BasePin* pins[] = {&in_, &pcm_, &odd_};
        return index >= 0 && index < 3 ? pins[index] : nullptr;
    }

private:
    static const AM_MEDIA_TYPE* Pcm() {
        static AM_MEDIA_TYPE* type = NewPcmType(1, 22050, 16);
        return type;
    }
    AcceptingPin in_;
    OfferingPin pcm_, odd_;
};

class PartialRenderSource final : public dshow::BaseFilter, public IFileSourceFilter {
public:
    explicit PartialRenderSource(StandInLog* log)
        : BaseFilter(kPartialSourceClsid), log_(log), out_(this, L"Output", PlainType(MEDIATYPE_Stream, kPrivateStream)) {}

    MR_DSHOW_FORWARD_IUNKNOWN(BaseFilter)
    int PinCount() override { return 1; }
    dshow::BasePin* GetPin(int index) override { return index == 0 ? &out_ : nullptr; }

    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override {
        const HRESULT hr = BaseFilter::JoinFilterGraph(graph, name);
        if (SUCCEEDED(hr) && graph && !joined_) {
            joined_ = true;
            ComPtr<IBaseFilter> companion;
            companion.Attach(new (std::nothrow) Companion(log_));
            // The graph holds the companion from here on.
            if (companion && SUCCEEDED(graph->AddFilter(companion.Get(), L"stand-in splitter")))
                ++log_->companionsAdded;
        }
        return hr;
    }

    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR, const AM_MEDIA_TYPE*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* mt) override {
        if (!name) return E_POINTER;
        *name = nullptr;
        if (mt) std::memset(mt, 0, sizeof *mt);
        return S_OK;
    }

protected:
    HRESULT QueryFilterInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IFileSourceFilter) {
            *ppv = static_cast<IFileSourceFilter*>(this);
            AddRef();
            return S_OK;
        }
        return BaseFilter::QueryFilterInterface(riid, ppv);
    }

private:
    StandInLog* log_;
    OfferingPin out_;
    bool joined_ = false;
};

class RefusingFilter final : public dshow::BaseFilter {
public:
    RefusingFilter() : BaseFilter(kRefusingClsid), in_(this, nullptr) {}
    int PinCount() override { return 1; }
    dshow::BasePin* GetPin(int index) override { return index == 0 ? &in_ : nullptr; }

private:
    AcceptingPin in_;
};

}  // namespace

ComPtr<IBaseFilter> CreatePartialRenderSource(StandInLog* log) {
    ComPtr<IBaseFilter> f;
    f.Attach(static_cast<dshow::BaseFilter*>(new (std::nothrow) PartialRenderSource(log)));
    return f;
}

ComPtr<IBaseFilter> CreateRefusingFilter() {
    ComPtr<IBaseFilter> f;
    f.Attach(new (std::nothrow) RefusingFilter());
    return f;
}

HRESULT TestFactory::Create(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (const CLSID& r : refused_)
        if (r == clsid) return REGDB_E_CLASSNOTREG;
    HRESULT hr;
    auto it = makers_.find(Key(clsid));
    if (it != makers_.end()) {
        ComPtr<IBaseFilter> f = it->second(&log_);
        if (!f) return E_OUTOFMEMORY;
        hr = f->QueryInterface(iid, out);
    } else {
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out);
    }
    if (SUCCEEDED(hr) && *out) {
        ComPtr<IUnknown> held(static_cast<IUnknown*>(*out));
        (clsid == graph::kClsidFilterGraph ? graphs_ : made_).push_back(held);
    }
    return hr;
}

int TestFactory::StillReferenced() {
    int n = 0;
    // The graphs go first: a graph manager holds its filters until it is
    // destroyed, and nothing but this factory may hold it by now.
    for (auto& g : graphs_)
        if (g.Detach()->Release() != 0) ++n;
    graphs_.clear();
    for (const ComPtr<IUnknown>& u : made_) {
        u->AddRef();
        const ULONG c = u->Release();
        if (c > 1) {
            ++n;
            if (getenv("MR_GRAPH_DEBUG")) {
                ComPtr<IPersist> p;
                CLSID id{};
                if (SUCCEEDED(u->QueryInterface(IID_IPersist, p.PutVoid()))) p->GetClassID(&id);
                wchar_t buf[64];
                StringFromGUID2(id, buf, 64);
                fprintf(stderr, "still referenced: %ls refs %lu\n", buf, c);
            }
        }
    }
    return n;
}

}  // namespace mr::test
