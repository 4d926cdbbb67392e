#pragma once
// The Windows Media Player visualisation effect: one object per instance the
// player creates, owning at most one lyrics renderer. Apartment-threaded: the
// player calls every method on the thread that created the object.
//
// Objects of the player (the core, its controls, media items) are held only
// for the call that needs them, except the core, which SetCore keeps with a
// counted reference until it is replaced, cleared or the object goes.

#include <memory>
#include <string>

#include "hosts/lookup/host_renderer.h"
#include "hosts/wmp/wmp_effects.h"

namespace mr::wmp {

// {FD6DF2E2-881D-11D8-BA5E-0800100A00B9}
inline constexpr CLSID kClsidEffect = {0xfd6df2e2, 0x881d, 0x11d8, {0xba, 0x5e, 0x08, 0x00, 0x10, 0x0a, 0x00, 0xb9}};

// Preset choices: 0..5 one of the six presets, 6 "Random".
inline constexpr LONG kRandomChoice = 6;
inline constexpr LONG kPresetChoices = 7;
// Below this position (ms) a frame checks whether the player moved to another
// item (a new item starts near 0).
inline constexpr int32_t kNewItemWindowMs = 333;

using RendererFactory = std::unique_ptr<hosts::HostRenderer> (*)();

// Creates an effect object with one reference; factory makes its renderer
// (CreateHostRenderer in the module, a stand-in in tests). Null when memory
// runs out.
IEffects2* CreateEffect(RendererFactory factory = &hosts::CreateHostRenderer);

// Live effect objects and class-factory locks, for DllCanUnloadNow.
LONG LiveModuleObjects();
void ModuleLock(bool lock);

}  // namespace mr::wmp
