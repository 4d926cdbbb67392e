#pragma once
// The tool's entry, shared by the platform entry points.

#include "tools/mrlyrics/tool.h"

namespace mr::tool {

// Runs the command named by all[0] with the remaining arguments; returns the
// process's exit code. Writes its output itself.
int RunTool(const Args& all);

// Runs RunTool and turns an escaping exception (only exhausted memory can
// raise one) into a message and exit code 1.
int RunToolGuarded(const Args& all);

}  // namespace mr::tool
