#include "tools/wav_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool sameFile(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void removePartialOutput(const std::string& path)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        std::remove(path.c_str());
}

std::string writeError(const std::string& path, int err)
{
    return "cannot write '" + path + "': " + (err != 0 ? std::strerror(err) : "the file refused the data");
}
