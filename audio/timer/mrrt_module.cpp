// mrrt: the self-registering module of the render timer filter.
#include <windows.h>
#include <dshow.h>

#include "audio/dshow/module.h"
#include "audio/timer/render_timer_filter.h"
#include "common/com/filter_ids.h"

namespace {

const mr::dshow::PinRegistration kPins[] = {
    {L"Input", false, false, false, false, nullptr, &MEDIATYPE_Audio, &GUID_NULL},
};

}  // namespace

namespace mr::dshow {

// Merit 0x200000 (unlikely): intelligent connection never picks it alone.
const FilterTemplate kModuleClasses[] = {
    {&CLSID_MRWavRenderTimer, L"MR_WavRenderTimer", 0x200000, kPins, 1, &mr::audio::CreateRenderTimer},
};
const size_t kModuleClassCount = sizeof kModuleClasses / sizeof kModuleClasses[0];

}  // namespace mr::dshow
