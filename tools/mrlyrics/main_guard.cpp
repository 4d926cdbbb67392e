#include <new>

#include "tools/mrlyrics/main.h"

namespace mr::tool {

int RunToolGuarded(const Args& all) {
    try {
        return RunTool(all);
    } catch (const std::bad_alloc&) {
        WriteErr("mrlyrics: out of memory\n");
    } catch (...) {
        WriteErr("mrlyrics: internal error\n");
    }
    return kExitFailed;
}

}  // namespace mr::tool
