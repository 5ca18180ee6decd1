#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace platform {

// The HANDLE File::open works on: shared for reading, writing and deletion, created or truncated
// as mode says; INVALID_HANDLE_VALUE for a null path or when it cannot be opened (folders too).
HANDLE openFileHandle(const char* path, File::Mode mode);

}  // namespace platform
