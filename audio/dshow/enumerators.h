#pragma once
// The pin and media-type enumerators handed out by filters and pins. Each
// holds a reference to its filter.

#include <windows.h>
#include <dshow.h>

namespace mr::dshow {

class BaseFilter;
class BasePin;

// Enumerates the filter's pins from `position`. Answers VFW_E_ENUM_OUT_OF_SYNC
// once the filter's pins changed, until Reset. *out gets one reference.
HRESULT CreatePinEnumerator(BaseFilter* filter, ULONG position, IEnumPins** out);
// Enumerates the pin's preferred media types (BasePin::GetMediaType) from
// `position`. *out gets one reference.
HRESULT CreateMediaTypeEnumerator(BasePin* pin, ULONG position, IEnumMediaTypes** out);

}  // namespace mr::dshow
