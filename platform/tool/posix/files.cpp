#include "platform/tool/files.h"

#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool sameFile(const char* a, const char* b)
{
    struct stat sa {
    }, sb{};
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool isRegularFile(const char* path)
{
    struct stat st { };
    return lstat(path, &st) == 0 && S_ISREG(st.st_mode);
}

FILE* openTemporaryStream()
{
    return std::tmpfile();
}

bool createTemporaryFile(const char* prefix, std::string& path)
{
    const char* dir = std::getenv("TMPDIR");
    std::string name = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/" + prefix + "-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0)
        return false;
    close(fd);
    path = name;
    return true;
}

}  // namespace platform
