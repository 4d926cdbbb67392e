// The native build's settings store: an in-memory registry for tests, with
// the same rules as the Windows one (case-insensitive names, typed values,
// keys that exist only once created).
#include <cstring>
#include <map>
#include <mutex>

#include "common/settings.h"

namespace mr {
namespace {

struct Value {
    SettingsKey::Type type = SettingsKey::Type::None;
    std::vector<uint8_t> bytes;
};

std::u16string Fold(std::u16string_view s) {
    std::u16string r(s);
    for (auto& c : r)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    while (!r.empty() && r.back() == u'\\') r.pop_back();
    return r;
}

struct Store {
    std::mutex lock;
    std::map<std::u16string, std::map<std::u16string, Value>> keys;  // folded path -> values
};

Store& TheStore() {
    static Store store;
    return store;
}

}  // namespace

struct SettingsKey::Impl {
    std::u16string path;  // folded
};

SettingsKey::SettingsKey(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
SettingsKey::~SettingsKey() = default;

std::unique_ptr<SettingsKey> SettingsKey::Open(std::u16string_view path, bool create) {
    Store& s = TheStore();
    std::lock_guard<std::mutex> guard(s.lock);
    std::u16string folded = Fold(path);
    if (folded.empty()) return nullptr;
    if (!s.keys.count(folded)) {
        if (!create) return nullptr;
        // Create the parents too, as RegCreateKeyEx does.
        for (size_t i = 0; i <= folded.size(); ++i)
            if (i == folded.size() || folded[i] == u'\\') s.keys[folded.substr(0, i)];
    }
    auto impl = std::make_unique<Impl>();
    impl->path = std::move(folded);
    return std::unique_ptr<SettingsKey>(new SettingsKey(std::move(impl)));
}

bool SettingsKey::Delete(std::u16string_view path) {
    Store& s = TheStore();
    std::lock_guard<std::mutex> guard(s.lock);
    const std::u16string folded = Fold(path);
    for (auto it = s.keys.begin(); it != s.keys.end();) {
        const bool sub = it->first == folded ||
                         (it->first.size() > folded.size() && it->first.compare(0, folded.size(), folded) == 0 &&
                          it->first[folded.size()] == u'\\');
        it = sub ? s.keys.erase(it) : std::next(it);
    }
    return true;
}

namespace {

// Looks a value up; the caller holds the store lock. Null when the key was
// deleted meanwhile or the value is absent.
const Value* Find(Store& s, const std::u16string& key, std::u16string_view name) {
    auto k = s.keys.find(key);
    if (k == s.keys.end()) return nullptr;
    auto v = k->second.find(Fold(name));
    return v == k->second.end() ? nullptr : &v->second;
}

bool Put(Store& s, const std::u16string& key, std::u16string_view name, SettingsKey::Type type, const void* bytes,
         size_t size) {
    auto k = s.keys.find(key);
    if (k == s.keys.end()) return false;  // deleted under an open handle
    Value& v = k->second[Fold(name)];
    v.type = type;
    v.bytes.assign(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + size);
    return true;
}

}  // namespace

SettingsKey::Type SettingsKey::Query(std::u16string_view name, uint32_t* bytes) const {
    Store& s = TheStore();
    std::lock_guard<std::mutex> guard(s.lock);
    const Value* v = Find(s, impl_->path, name);
    if (!v) return Type::None;
    if (bytes) *bytes = static_cast<uint32_t>(v->bytes.size());
    return v->type;
}

bool SettingsKey::ReadDword(std::u16string_view name, uint32_t* value) const {
    Store& s = TheStore();
    std::lock_guard<std::mutex> guard(s.lock);
    const Value* v = Find(s, impl_->path, name);
    if (!v || v->type != Type::Dword || v->bytes.size() != 4) return false;
    std::memcpy(value, v->bytes.data(), 4);
    return true;
}

bool SettingsKey::ReadString(std::u16string_view name, uint32_t maxBytes, std::u16string* value) const {
    Store& s = TheStore();
    std::lock_guard<std::mutex> guard(s.lock);
    const Value* v = Find(s, impl_->path, name);
    if (!v || v->type != Type::String || v->bytes.size() > maxBytes) return false;
    std::u16string r(v->bytes.size() / 2, u'\0');
    std::memcpy(r.data(), v->bytes.data(), r.size() * 2);
    const size_t nul = r.find(u'\0');
    if (nul != std::u16string::npos) r.resize(nul);
    *value = std::move(r);
    return true;
}

bool SettingsKey::ReadBinary(std::u16string_view name, std::vector<uint8_t>* value) const {
    Store& s = TheStore();
    std::lock_guard<std::mutex> guard(s.lock);
    const Value* v = Find(s, impl_->path, name);
    if (!v || v->type != Type::Binary) return false;
    *value = v->bytes;
    return true;
}

bool SettingsKey::WriteDword(std::u16string_view name, uint32_t value) {
    Store& s = TheStore();
    std::lock_guard<std::mutex> guard(s.lock);
    return Put(s, impl_->path, name, Type::Dword, &value, 4);
}

bool SettingsKey::WriteString(std::u16string_view name, std::u16string_view value) {
    std::u16string withNul(value);
    withNul.push_back(u'\0');
    Store& s = TheStore();
    std::lock_guard<std::mutex> guard(s.lock);
    return Put(s, impl_->path, name, Type::String, withNul.data(), withNul.size() * 2);
}

bool SettingsKey::WriteBinary(std::u16string_view name, const void* bytes, uint32_t size) {
    Store& s = TheStore();
    std::lock_guard<std::mutex> guard(s.lock);
    return Put(s, impl_->path, name, Type::Binary, bytes, size);
}

bool SettingsKey::DeleteValue(std::u16string_view name) {
    Store& s = TheStore();
    std::lock_guard<std::mutex> guard(s.lock);
    auto k = s.keys.find(impl_->path);
    return k != s.keys.end() && k->second.erase(Fold(name)) > 0;
}

}  // namespace mr
