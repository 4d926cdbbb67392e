#pragma once
// Shared between file.cpp and the platform files; not part of the contract.

#include "common/file.h"

namespace mr::fs {

// True when the installed fault hook asks `op` to fail.
bool InjectFault(Operation op);

}  // namespace mr::fs
