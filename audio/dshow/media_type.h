#pragma once
// AM_MEDIA_TYPE records: copying, freeing and comparing, as the DirectShow
// base classes would provide them. Format blocks are task-allocated
// (CoTaskMemAlloc), as every DirectShow peer expects.

#include <windows.h>
#include <dshow.h>

namespace mr::dshow {

// Deep copy of `from` into *to (which must hold nothing to free): the format
// block is duplicated and pUnk gains a reference. E_OUTOFMEMORY leaves *to
// zeroed.
HRESULT CopyMediaType(AM_MEDIA_TYPE* to, const AM_MEDIA_TYPE& from);
// Frees the format block, releases pUnk and zeroes the record itself.
void FreeMediaType(AM_MEDIA_TYPE& mt);
// A task-allocated deep copy (what IEnumMediaTypes::Next hands out), or null
// when out of memory.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE& from);
// Frees a record made by CreateMediaType (or handed over by a peer) and its
// contents. Null is ignored.
void DeleteMediaType(AM_MEDIA_TYPE* mt);
// Same major type, subtype, format type and format bytes.
bool SameMediaType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b);

// Holds one AM_MEDIA_TYPE and frees it when it goes.
class MediaType {
public:
    MediaType();
    ~MediaType();
    MediaType(const MediaType&) = delete;
    MediaType& operator=(const MediaType&) = delete;

    // Replaces the held record by a copy of `from`.
    HRESULT Set(const AM_MEDIA_TYPE& from);
    void Clear();
    bool Empty() const { return mt_.majortype == GUID_NULL; }
    const AM_MEDIA_TYPE& Get() const { return mt_; }
    // For out-parameters (GetMediaType hooks): clears first.
    AM_MEDIA_TYPE* Put();

private:
    AM_MEDIA_TYPE mt_;
};

}  // namespace mr::dshow
