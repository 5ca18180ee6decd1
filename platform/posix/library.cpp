#include "platform/platform.h"

#include <dlfcn.h>

namespace platform {

void* loadLibrary(const char* name)
{
    return name != nullptr ? dlopen(name, RTLD_NOW | RTLD_LOCAL) : nullptr;
}

void* librarySymbol(void* library, const char* name)
{
    return library != nullptr && name != nullptr ? dlsym(library, name) : nullptr;
}

}  // namespace platform
