#include "tools/mrlyrics/edit_script.h"

#include <vector>

#include "common/text.h"
#include "tools/mrlyrics/json.h"

namespace mr::tool {
namespace {

// Reads the arguments of one script line; the first problem is kept in
// `problem` and every later read fails.
class LineReader {
public:
    explicit LineReader(std::string_view line) : s_(line) {}

    bool AtEnd() {
        SkipBlanks();
        return i_ >= s_.size();
    }
    std::string_view Word() {
        SkipBlanks();
        const size_t start = i_;
        while (i_ < s_.size() && s_[i_] != ' ' && s_[i_] != '\t') ++i_;
        return s_.substr(start, i_ - start);
    }
    bool Int(const char* what, int32_t* v) {
        if (!problem.empty()) return false;
        const std::string_view w = Word();
        if (w.empty()) return Fail(std::string("missing ") + what);
        size_t k = 0;
        const bool negative = w[0] == '-';
        if (negative) ++k;
        if (k == w.size()) return Fail(std::string(what) + " is not a number: \"" + std::string(w) + "\"");
        int64_t value = 0;
        for (; k < w.size(); ++k) {
            if (w[k] < '0' || w[k] > '9') return Fail(std::string(what) + " is not a number: \"" + std::string(w) + "\"");
            value = value * 10 + (w[k] - '0');
            if (value > int64_t{2147483647} + (negative ? 1 : 0)) {
                return Fail(std::string(what) + " is out of range: \"" + std::string(w) + "\"");
            }
        }
        *v = static_cast<int32_t>(negative ? -value : value);
        return true;
    }
    // A JSON string literal, as UTF-16 units.
    bool Text(std::u16string* text) {
        if (!problem.empty()) return false;
        SkipBlanks();
        if (i_ >= s_.size()) return Fail("missing TEXT");
        if (s_[i_] != '"') return Fail("TEXT must be a JSON string literal in double quotes");
        ++i_;
        text->clear();
        std::string plain;  // UTF-8 bytes since the last escape
        auto flush = [&] {
            *text += Utf8ToUtf16(plain);
            plain.clear();
        };
        for (;;) {
            if (i_ >= s_.size()) return Fail("TEXT is not closed by a double quote");
            const unsigned char c = static_cast<unsigned char>(s_[i_++]);
            if (c == '"') break;
            if (c < 0x20) return Fail("TEXT holds a raw control character; write it as an escape such as \\r");
            if (c != '\\') {
                plain += static_cast<char>(c);
                continue;
            }
            if (i_ >= s_.size()) return Fail("TEXT ends inside an escape");
            const char e = s_[i_++];
            flush();
            switch (e) {
                case '"': *text += u'"'; break;
                case '\\': *text += u'\\'; break;
                case '/': *text += u'/'; break;
                case 'b': *text += u'\b'; break;
                case 'f': *text += u'\f'; break;
                case 'n': *text += u'\n'; break;
                case 'r': *text += u'\r'; break;
                case 't': *text += u'\t'; break;
                case 'u': {
                    if (s_.size() - i_ < 4) return Fail("TEXT has a \\u escape without four hex digits");
                    unsigned unit = 0;
                    for (int k = 0; k < 4; ++k) {
                        const char h = s_[i_++];
                        unit <<= 4;
                        if (h >= '0' && h <= '9') unit |= static_cast<unsigned>(h - '0');
                        else if (h >= 'a' && h <= 'f') unit |= static_cast<unsigned>(h - 'a' + 10);
                        else if (h >= 'A' && h <= 'F') unit |= static_cast<unsigned>(h - 'A' + 10);
                        else return Fail("TEXT has a \\u escape without four hex digits");
                    }
                    *text += static_cast<char16_t>(unit);
                    break;
                }
                default:
                    return Fail(std::string("TEXT has an unknown escape \\") + e);
            }
        }
        flush();
        if (i_ < s_.size() && s_[i_] != ' ' && s_[i_] != '\t') return Fail("unexpected characters after TEXT");
        return true;
    }
    // True when nothing follows; otherwise notes the extra argument.
    bool End() {
        if (!problem.empty()) return false;
        if (AtEnd()) return true;
        return Fail("unexpected \"" + std::string(Word()) + "\" at the end");
    }
    bool Fail(std::string message) {
        if (problem.empty()) problem = std::move(message);
        return false;
    }

    std::string problem;

private:
    void SkipBlanks() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t')) ++i_;
    }

    std::string_view s_;
    size_t i_ = 0;
};

void PrintResult(std::string* out, std::string_view op, bool ok) {
    JsonWriter w(*out);
    w.BeginObject();
    w.Key("op");
    w.String(Utf8ToUtf16(op));
    w.Key("ok");
    w.Bool(ok);
    w.EndObject();
    *out += '\n';
}

// One operation: reads its arguments and runs it. Returns false when the
// line is malformed (reader.problem says why); *ok receives the result.
bool RunOperation(SyncDocument& doc, std::string_view op, LineReader& r, bool* ok) {
    int32_t a = 0, b = 0, c = 0;
    std::u16string text;
    if (op == "insert-text") {
        if (!r.Int("POS", &a) || !r.Text(&text) || !r.End()) return false;
        *ok = doc.InsertText(a, text.data(), static_cast<int32_t>(text.size()));
    } else if (op == "delete-text") {
        if (!r.Int("POS", &a) || !r.Int("COUNT", &b) || !r.End()) return false;
        *ok = doc.DeleteText(a, b);
    } else if (op == "replace-text") {
        if (!r.Int("DPOS", &a) || !r.Int("DCOUNT", &b) || !r.Int("IPOS", &c) || !r.Text(&text) || !r.End()) {
            return false;
        }
        *ok = doc.ReplaceText(a, b, text.data(), c, static_cast<int32_t>(text.size()));
    } else if (op == "type") {
        if (!r.Int("POS", &a) || !r.Text(&text) || !r.End()) return false;
        // One keystroke per unit, each after the one before.
        *ok = true;
        for (size_t k = 0; k < text.size() && *ok; ++k) {
            *ok = doc.TypeCharacter(static_cast<int32_t>(a + static_cast<int64_t>(k)), text[k]);
        }
    } else if (op == "set-syncpoint" || op == "remove-syncpoint" || op == "duplicate-lines") {
        if (!r.Int("POS", &a) || !r.End()) return false;
        *ok = op == "set-syncpoint"      ? doc.SetSyncpoint(a)
              : op == "remove-syncpoint" ? doc.RemoveSyncpoint(a)
                                         : doc.DuplicateLines(a);
    } else if (op == "insert-timing" || op == "remove-timing" || op == "combine-timing" || op == "split-timing" ||
               op == "live-start" || op == "live-extend") {
        if (!r.Int("T", &a) || !r.End()) return false;
        int32_t index = 0;
        *ok = op == "insert-timing"    ? doc.InsertTiming(a)
              : op == "remove-timing"  ? doc.RemoveTiming(a)
              : op == "combine-timing" ? doc.CombineTiming(a)
              : op == "split-timing"   ? doc.SplitTiming(a)
              : op == "live-start"     ? doc.StartLiveTiming(a, &index)
                                       : doc.ExtendLiveTiming(a);
    } else if (op == "adjust" || op == "move" || op == "move-following") {
        // All times are read before anything runs, so that a malformed line
        // changes nothing.
        std::vector<int32_t> times;
        if (!r.Int("T0", &a)) return false;
        times.push_back(a);
        while (!r.AtEnd()) {
            if (static_cast<int>(times.size()) > kMaxDragTimes) return r.Fail("too many drag times");
            if (!r.Int("drag time", &a)) return false;
            times.push_back(a);
        }
        const bool adjust = op == "adjust", move = op == "move";
        *ok = adjust ? doc.BeginAdjust(times[0]) : move ? doc.BeginMove(times[0]) : doc.BeginMoveFollowing(times[0]);
        for (size_t k = 1; k < times.size() && *ok; ++k) {
            *ok = adjust ? doc.DragAdjust(times[k]) : move ? doc.DragMove(times[k]) : doc.DragMoveFollowing(times[k]);
        }
    } else if (op == "undo" || op == "redo" || op == "mark-saved") {
        if (!r.End()) return false;
        if (op == "mark-saved") {
            doc.MarkSaved();
            *ok = true;
        } else {
            *ok = op == "undo" ? doc.Undo() : doc.Redo();
        }
    } else {
        return r.Fail("unknown operation \"" + std::string(op) + "\"");
    }
    return true;
}

}  // namespace

std::string DumpEditState(SyncDocument& doc) {
    LockGuard g(doc.DocumentLock());
    const int32_t n = doc.CellCount();
    std::vector<TextCell> cells(static_cast<size_t>(n));
    doc.GetCells(0, n, cells.data());
    std::u16string text;
    text.reserve(cells.size());
    for (const TextCell& cell : cells) text += cell.ch;

    std::string out;
    JsonWriter w(out);
    w.BeginObject();
    w.Key("text");
    w.String(text);
    w.Key("flags");
    w.BeginArray();
    for (int32_t i = 0; i < n; ++i)
        if (cells[static_cast<size_t>(i)].flag) w.Int(i);
    w.EndArray();
    w.Key("segments");
    w.Int(doc.SegmentCount());
    w.Key("timings");
    w.BeginArray();
    for (int32_t i = 0; i < doc.TimingCount(); ++i) {
        int32_t start = 0, end = 0;
        doc.GetTiming(i, &start, &end);
        w.BeginArray();
        w.Int(start);
        w.Int(end);
        w.EndArray();
    }
    w.EndArray();
    w.Key("canUndo");
    w.Bool(doc.CanUndo());
    w.Key("canRedo");
    w.Bool(doc.CanRedo());
    w.Key("modified");
    w.Bool(doc.IsModified());
    w.Key("lastTool");
    w.Uint(doc.LastTool());
    w.Key("lastIndex");
    w.Int(doc.LastIndex());
    w.EndObject();
    return out;
}

bool RunEditScript(SyncDocument& doc, std::string_view script, std::string* out, std::string* error) {
    // A byte order mark at the start is not part of the first line.
    if (script.substr(0, 3) == "\xEF\xBB\xBF") script.remove_prefix(3);
    size_t lineNumber = 0;
    while (!script.empty()) {
        ++lineNumber;
        const size_t eol = script.find('\n');
        std::string_view line = script.substr(0, eol);
        script.remove_prefix(eol == std::string_view::npos ? script.size() : eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        if (line.size() > kMaxScriptLineBytes) {
            *error = where + "the line is longer than " + std::to_string(kMaxScriptLineBytes) + " bytes";
            return false;
        }
        LineReader r(line);
        if (r.AtEnd()) continue;
        const std::string_view op = r.Word();
        if (op[0] == '#') continue;
        if (op == "dump") {
            if (!r.End()) {
                *error = where + r.problem;
                return false;
            }
            *out += DumpEditState(doc);
            *out += '\n';
            continue;
        }
        bool ok = false;
        if (!RunOperation(doc, op, r, &ok)) {
            *error = where + r.problem;
            return false;
        }
        PrintResult(out, op, ok);
    }
    return true;
}

}  // namespace mr::tool
