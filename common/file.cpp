// Path arithmetic and the fault hook, shared by both platform files.
#include "common/file.h"

#include "common/file_internal.h"

namespace mr::fs {
namespace {

FaultHook g_hook = nullptr;
void* g_context = nullptr;

bool IsSeparator(char16_t c) {
    return c == u'/' || c == u'\\';
}

size_t LastSeparator(std::u16string_view path) {
    for (size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1])) return i - 1;
    return std::u16string_view::npos;
}

}  // namespace

void SetFaultHook(FaultHook hook, void* context) {
    g_hook = hook;
    g_context = context;
}

bool InjectFault(Operation op) {
    return g_hook && g_hook(op, g_context);
}

std::u16string_view ParentFolder(std::u16string_view path) {
    const size_t s = LastSeparator(path);
    return s == std::u16string_view::npos ? std::u16string_view() : path.substr(0, s);
}

std::u16string_view FileName(std::u16string_view path) {
    const size_t s = LastSeparator(path);
    return s == std::u16string_view::npos ? path : path.substr(s + 1);
}

std::u16string_view Extension(std::u16string_view path) {
    const std::u16string_view name = FileName(path);
    const size_t dot = name.rfind(u'.');
    return dot == std::u16string_view::npos ? std::u16string_view() : name.substr(dot);
}

std::u16string Join(std::u16string_view folder, std::u16string_view name) {
    std::u16string r(folder);
    if (!r.empty() && !IsSeparator(r.back())) r += kSeparator;
    r += name;
    return r;
}

}  // namespace mr::fs
