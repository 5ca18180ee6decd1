#include "platform/platform.h"

#include <windows.h>

namespace platform {

void* loadLibrary(const char* name)
{
    return name != nullptr ? static_cast<void*>(LoadLibraryA(name)) : nullptr;
}

void* librarySymbol(void* library, const char* name)
{
    if (library == nullptr || name == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

}  // namespace platform
