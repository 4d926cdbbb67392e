#include <windows.h>

#include <string>

#include "tests/frame/raw_value.h"

namespace mr::test {

bool WriteUnterminatedString(std::u16string_view keyPath, std::u16string_view name, std::u16string_view units) {
    const std::wstring path(keyPath.begin(), keyPath.end()), value(name.begin(), name.end());
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG r = RegSetValueExW(key, value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(units.data()),
                                  static_cast<DWORD>(units.size() * 2));
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

}  // namespace mr::test
