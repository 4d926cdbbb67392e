#include "tools/mrlyrics/json.h"

#include <cstdio>

namespace mr::tool {
namespace {

void AppendEscape(std::string& out, unsigned unit) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", unit);
    out += buf;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

void JsonWriter::NewLine(int depth) {
    out_ += '\n';
    out_.append(static_cast<size_t>(depth) * 2, ' ');
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (depth_ == 0) return;
    if (hasMembers_[depth_]) out_ += depth_ <= prettyDepth_ ? "," : ", ";
    if (depth_ <= prettyDepth_) NewLine(depth_);
    hasMembers_[depth_] = true;
}

void JsonWriter::Open(char c) {
    BeforeValue();
    out_ += c;
    if (depth_ < kMaxDepth) ++depth_;
    hasMembers_[depth_] = false;
}

void JsonWriter::Close(char c) {
    if (depth_ <= prettyDepth_ && hasMembers_[depth_]) NewLine(depth_ - 1);
    out_ += c;
    if (depth_ > 0) --depth_;
}

void JsonWriter::Key(std::string_view key) {
    BeforeValue();
    out_ += '"';
    out_ += key;
    out_ += "\": ";
    afterKey_ = true;
}

void JsonWriter::String(std::u16string_view s) {
    BeforeValue();
    out_ += '"';
    for (size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        switch (c) {
        case u'"': out_ += "\\\""; continue;
        case u'\\': out_ += "\\\\"; continue;
        case u'\b': out_ += "\\b"; continue;
        case u'\f': out_ += "\\f"; continue;
        case u'\n': out_ += "\\n"; continue;
        case u'\r': out_ += "\\r"; continue;
        case u'\t': out_ += "\\t"; continue;
        default: break;
        }
        if (c < 0x20) {
            AppendEscape(out_, c);
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            AppendUtf8(out_, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (s[i + 1] - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            AppendEscape(out_, c);
        } else {
            AppendUtf8(out_, c);
        }
    }
    out_ += '"';
}

void JsonWriter::StringOrNull(const char16_t* s) {
    if (s) String(s);
    else Null();
}

void JsonWriter::Int(int64_t v) {
    BeforeValue();
    out_ += std::to_string(v);
}

void JsonWriter::Uint(uint64_t v) {
    BeforeValue();
    out_ += std::to_string(v);
}

void JsonWriter::Bool(bool v) {
    BeforeValue();
    out_ += v ? "true" : "false";
}

void JsonWriter::Null() {
    BeforeValue();
    out_ += "null";
}

}  // namespace mr::tool
