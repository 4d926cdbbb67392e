#pragma once
// Writes a string value exactly as given, without the terminator that
// SettingsKey::WriteString adds: what another program may have left in the
// registry. False where the store cannot hold such a value (the in-memory
// store of the native build).

#include <string_view>

namespace mr::test {

bool WriteUnterminatedString(std::u16string_view keyPath, std::u16string_view name, std::u16string_view units);

}  // namespace mr::test
