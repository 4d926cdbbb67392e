#pragma once
// The per-user settings store, with the registry's semantics: keys named by a
// path below the current user ("Software\\Mirelto\\Editor"), holding typed
// values (DWORD, string, binary). Reads check the stored type and size, so a
// value of the wrong type reads as absent. The Windows build keeps the values
// in HKEY_CURRENT_USER; the native build keeps them in memory for tests.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mr {

class SettingsKey {
public:
    enum class Type { None, Dword, String, Binary };

    // Opens an existing key for reading and writing values, or with `create`
    // creates it (and its parents) first. Null when it cannot be opened.
    static std::unique_ptr<SettingsKey> Open(std::u16string_view path, bool create);
    // Deletes a key with all its values and subkeys; true when it is gone.
    static bool Delete(std::u16string_view path);

    ~SettingsKey();
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;

    // The stored type and size in bytes of a value (Type::None when absent).
    Type Query(std::u16string_view name, uint32_t* bytes = nullptr) const;
    // True only when the value exists as a 4-byte DWORD.
    bool ReadDword(std::u16string_view name, uint32_t* value) const;
    // True only when the value exists as a string of at most maxBytes bytes,
    // terminator included; *value receives it without the terminator.
    bool ReadString(std::u16string_view name, uint32_t maxBytes, std::u16string* value) const;
    bool ReadBinary(std::u16string_view name, std::vector<uint8_t>* value) const;

    bool WriteDword(std::u16string_view name, uint32_t value);
    // Stores the string with its terminator (length * 2 + 2 bytes).
    bool WriteString(std::u16string_view name, std::u16string_view value);
    bool WriteBinary(std::u16string_view name, const void* bytes, uint32_t size);
    bool DeleteValue(std::u16string_view name);

    struct Impl;

private:
    explicit SettingsKey(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace mr
