#pragma once
// The registry entries through which COM and the player find the effect.

#include <windows.h>

namespace mr::wmp {

// Under the classes root: CLSID\{class} = "Mrwmp Class", InprocServer32 = this
// module's path with ThreadingModel "Apartment". Under the local machine:
// SOFTWARE\Microsoft\MediaPlayer\Objects\Effects\Mirelto\Properties with the
// values classid, name and description. Both keys are replaced whole on
// registration and removed whole on unregistration; the keys above them are
// left alone. Then every top-level window is told that the player's plug-in
// list changed ("WMPlayer_PluginAddRemove"). Missing keys are not an error
// when unregistering.
HRESULT RegisterEffect(bool install);

}  // namespace mr::wmp
