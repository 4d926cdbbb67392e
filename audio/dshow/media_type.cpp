#include "audio/dshow/media_type.h"

#include <cstring>

namespace mr::dshow {

HRESULT CopyMediaType(AM_MEDIA_TYPE* to, const AM_MEDIA_TYPE& from) {
    *to = from;
    to->pbFormat = nullptr;
    to->cbFormat = 0;
    if (from.cbFormat != 0 && from.pbFormat) {
        to->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(from.cbFormat));
        if (!to->pbFormat) {
            std::memset(to, 0, sizeof *to);
            return E_OUTOFMEMORY;
        }
        std::memcpy(to->pbFormat, from.pbFormat, from.cbFormat);
        to->cbFormat = from.cbFormat;
    }
    if (to->pUnk) to->pUnk->AddRef();
    return S_OK;
}

void FreeMediaType(AM_MEDIA_TYPE& mt) {
    if (mt.pbFormat) CoTaskMemFree(mt.pbFormat);
    if (mt.pUnk) mt.pUnk->Release();
    std::memset(&mt, 0, sizeof mt);
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE& from) {
    auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!mt) return nullptr;
    if (FAILED(CopyMediaType(mt, from))) {
        CoTaskMemFree(mt);
        return nullptr;
    }
    return mt;
}

void DeleteMediaType(AM_MEDIA_TYPE* mt) {
    if (!mt) return;
    FreeMediaType(*mt);
    CoTaskMemFree(mt);
}

bool SameMediaType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
    if (a.majortype != b.majortype || a.subtype != b.subtype || a.formattype != b.formattype) return false;
    if (a.cbFormat != b.cbFormat) return false;
    if (a.cbFormat == 0) return true;
    if (!a.pbFormat || !b.pbFormat) return a.pbFormat == b.pbFormat;
    return std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0;
}

MediaType::MediaType() {
    std::memset(&mt_, 0, sizeof mt_);
}

MediaType::~MediaType() {
    FreeMediaType(mt_);
}

HRESULT MediaType::Set(const AM_MEDIA_TYPE& from) {
    AM_MEDIA_TYPE copy;
    const HRESULT hr = CopyMediaType(&copy, from);
    if (FAILED(hr)) return hr;
    FreeMediaType(mt_);
    mt_ = copy;
    return S_OK;
}

void MediaType::Clear() {
    FreeMediaType(mt_);
}

AM_MEDIA_TYPE* MediaType::Put() {
    FreeMediaType(mt_);
    return &mt_;
}

}  // namespace mr::dshow
