#include <windows.h>

#include "common/settings.h"

namespace mr {
namespace {

std::wstring Wide(std::u16string_view s) {
    return std::wstring(s.begin(), s.end());
}

}  // namespace

struct SettingsKey::Impl {
    HKEY key = nullptr;
    ~Impl() {
        if (key) RegCloseKey(key);
    }
};

SettingsKey::SettingsKey(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
SettingsKey::~SettingsKey() = default;

std::unique_ptr<SettingsKey> SettingsKey::Open(std::u16string_view path, bool create) {
    auto impl = std::make_unique<Impl>();
    LONG r;
    if (create)
        r = RegCreateKeyExW(HKEY_CURRENT_USER, Wide(path).c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                            &impl->key, nullptr);
    else
        r = RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path).c_str(), 0, KEY_READ | KEY_WRITE, &impl->key);
    if (r != ERROR_SUCCESS) {
        // A key the user may only read still serves the readers.
        if (create || RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path).c_str(), 0, KEY_READ, &impl->key) != ERROR_SUCCESS)
            return nullptr;
    }
    return std::unique_ptr<SettingsKey>(new SettingsKey(std::move(impl)));
}

bool SettingsKey::Delete(std::u16string_view path) {
    const LONG r = RegDeleteTreeW(HKEY_CURRENT_USER, Wide(path).c_str());
    return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
}

SettingsKey::Type SettingsKey::Query(std::u16string_view name, uint32_t* bytes) const {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(impl_->key, Wide(name).c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return Type::None;
    if (bytes) *bytes = size;
    switch (type) {
        case REG_DWORD: return Type::Dword;
        case REG_SZ: return Type::String;
        case REG_BINARY: return Type::Binary;
        default: return Type::None;
    }
}

bool SettingsKey::ReadDword(std::u16string_view name, uint32_t* value) const {
    DWORD type = 0, v = 0, size = sizeof v;
    if (RegQueryValueExW(impl_->key, Wide(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&v), &size) !=
        ERROR_SUCCESS)
        return false;
    if (type != REG_DWORD || size != sizeof v) return false;
    *value = v;
    return true;
}

bool SettingsKey::ReadString(std::u16string_view name, uint32_t maxBytes, std::u16string* value) const {
    DWORD type = 0, size = 0;
    const std::wstring n = Wide(name);
    if (RegQueryValueExW(impl_->key, n.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    if (type != REG_SZ || size > maxBytes) return false;
    std::wstring buf(size / 2 + 1, L'\0');
    if (RegQueryValueExW(impl_->key, n.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size) !=
        ERROR_SUCCESS)
        return false;
    buf.resize(size / 2);
    // The stored string need not carry its terminator; cut at the first NUL.
    const size_t nul = buf.find(L'\0');
    if (nul != std::wstring::npos) buf.resize(nul);
    value->assign(buf.begin(), buf.end());
    return true;
}

bool SettingsKey::ReadBinary(std::u16string_view name, std::vector<uint8_t>* value) const {
    DWORD type = 0, size = 0;
    const std::wstring n = Wide(name);
    if (RegQueryValueExW(impl_->key, n.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    if (type != REG_BINARY) return false;
    value->resize(size);
    if (RegQueryValueExW(impl_->key, n.c_str(), nullptr, &type, value->data(), &size) != ERROR_SUCCESS) return false;
    value->resize(size);
    return true;
}

bool SettingsKey::WriteDword(std::u16string_view name, uint32_t value) {
    const DWORD v = value;
    return RegSetValueExW(impl_->key, Wide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v),
                          sizeof v) == ERROR_SUCCESS;
}

bool SettingsKey::WriteString(std::u16string_view name, std::u16string_view value) {
    const std::wstring v = Wide(value);
    return RegSetValueExW(impl_->key, Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                          static_cast<DWORD>((v.size() + 1) * 2)) == ERROR_SUCCESS;
}

bool SettingsKey::WriteBinary(std::u16string_view name, const void* bytes, uint32_t size) {
    return RegSetValueExW(impl_->key, Wide(name).c_str(), 0, REG_BINARY, static_cast<const BYTE*>(bytes), size) ==
           ERROR_SUCCESS;
}

bool SettingsKey::DeleteValue(std::u16string_view name) {
    return RegDeleteValueW(impl_->key, Wide(name).c_str()) == ERROR_SUCCESS;
}

}  // namespace mr
