#include "audio/dshow/enumerators.h"

#include <new>

#include "audio/dshow/base_filter.h"
#include "audio/dshow/base_pin.h"
#include "audio/dshow/com_object.h"
#include "audio/dshow/module.h"

namespace mr::dshow {
namespace {

class PinEnumerator final : public ComObject<IEnumPins, IID_IEnumPins> {
public:
    PinEnumerator(BaseFilter* filter, ULONG position)
        : filter_(filter), position_(position), version_(filter->PinVersion()) {
        filter_->AddRef();
    }
    ~PinEnumerator() override { filter_->Release(); }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override {
        if (!pins) return E_POINTER;
        if (!fetched && count != 1) return E_INVALIDARG;
        LockGuard guard(filter_->Lock());
        if (version_ != filter_->PinVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
        ULONG got = 0;
        const int total = filter_->PinCount();
        while (got < count && position_ < static_cast<ULONG>(total)) {
            BasePin* pin = filter_->GetPin(static_cast<int>(position_++));
            if (!pin) break;
            pin->AddRef();
            pins[got++] = pin;
        }
        if (fetched) *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        LockGuard guard(filter_->Lock());
        if (version_ != filter_->PinVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
        const ULONG total = static_cast<ULONG>(filter_->PinCount());
        if (position_ > total) position_ = total;
        if (count > total - position_) {
            position_ = total;
            return S_FALSE;
        }
        position_ += count;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        LockGuard guard(filter_->Lock());
        version_ = filter_->PinVersion();
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins** out) override {
        if (!out) return E_POINTER;
        LockGuard guard(filter_->Lock());
        if (version_ != filter_->PinVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
        return CreatePinEnumerator(filter_, position_, out);
    }

private:
    BaseFilter* filter_;
    ULONG position_;
    LONG version_;
};

class MediaTypeEnumerator final : public ComObject<IEnumMediaTypes, IID_IEnumMediaTypes> {
public:
    MediaTypeEnumerator(BasePin* pin, ULONG position) : pin_(pin), position_(position) { pin_->AddRef(); }
    ~MediaTypeEnumerator() override { pin_->Release(); }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
        if (!types) return E_POINTER;
        if (!fetched && count != 1) return E_INVALIDARG;
        LockGuard guard(pin_->Filter()->Lock());
        ULONG got = 0;
        while (got < count) {
            MediaType mt;
            if (pin_->GetMediaType(static_cast<int>(position_), mt.Put()) != S_OK) break;
            AM_MEDIA_TYPE* copy = CreateMediaType(mt.Get());
            if (!copy) {
                for (ULONG i = 0; i < got; ++i) DeleteMediaType(types[i]);
                if (fetched) *fetched = 0;
                return E_OUTOFMEMORY;
            }
            types[got++] = copy;
            ++position_;
        }
        if (fetched) *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        LockGuard guard(pin_->Filter()->Lock());
        while (count > 0) {
            MediaType mt;
            if (pin_->GetMediaType(static_cast<int>(position_), mt.Put()) != S_OK) return S_FALSE;
            ++position_;
            --count;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** out) override {
        if (!out) return E_POINTER;
        return CreateMediaTypeEnumerator(pin_, position_, out);
    }

private:
    BasePin* pin_;
    ULONG position_;
};

}  // namespace

HRESULT CreatePinEnumerator(BaseFilter* filter, ULONG position, IEnumPins** out) {
    *out = new (std::nothrow) PinEnumerator(filter, position);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT CreateMediaTypeEnumerator(BasePin* pin, ULONG position, IEnumMediaTypes** out) {
    *out = new (std::nothrow) MediaTypeEnumerator(pin, position);
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace mr::dshow
