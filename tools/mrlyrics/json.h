#pragma once
// A small streaming JSON writer for the tool's output: appends to a string,
// inserts the commas, escapes strings. Text arrives as UTF-16 and leaves as
// UTF-8; an unpaired surrogate is kept as a \uXXXX escape so that nothing is
// lost.

#include <cstdint>
#include <string>
#include <string_view>

namespace mr::tool {

class JsonWriter {
public:
    // Containers nested less than `prettyDepth` deep put each member on its
    // own indented line; deeper ones are written compactly. 0: all compact.
    explicit JsonWriter(std::string& out, int prettyDepth = 0) : out_(out), prettyDepth_(prettyDepth) {}

    void BeginObject() { Open('{'); }
    void EndObject() { Close('}'); }
    void BeginArray() { Open('['); }
    void EndArray() { Close(']'); }
    // The key of the next object member (ASCII, not escaped).
    void Key(std::string_view key);

    void String(std::u16string_view s);
    // A NUL-terminated string, or null for a null pointer.
    void StringOrNull(const char16_t* s);
    void Int(int64_t v);
    void Uint(uint64_t v);
    void Bool(bool v);
    void Null();

private:
    static constexpr int kMaxDepth = 32;
    void Open(char c);
    void Close(char c);
    // Writes the separator due before a value (none after a key).
    void BeforeValue();
    void NewLine(int depth);

    std::string& out_;
    int prettyDepth_;
    int depth_ = 0;
    bool hasMembers_[kMaxDepth + 1] = {};
    bool afterKey_ = false;
};

}  // namespace mr::tool
