// mrwsc: the self-registering module of the wave source filter.
#include <windows.h>
#include <dshow.h>

#include "audio/dshow/module.h"
#include "audio/source/wave_source_filter.h"
#include "common/com/filter_ids.h"

namespace {

const mr::dshow::PinRegistration kPins[] = {
    {L"Output", true, false, false, false, L"Input", &MEDIATYPE_Audio, &GUID_NULL},
};

}  // namespace

namespace mr::dshow {

// Merit 0x200000 (unlikely): intelligent connection never picks it alone.
const FilterTemplate kModuleClasses[] = {
    {&CLSID_MRWavSource, L"MR_WavSource", 0x200000, kPins, 1, &mr::audio::CreateWaveSource},
};
const size_t kModuleClassCount = sizeof kModuleClasses / sizeof kModuleClasses[0];

}  // namespace mr::dshow
