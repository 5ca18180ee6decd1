#include "platform/tool/files.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace platform {

namespace {

// Opens path only to ask about it: no access rights, every sharing mode, folders too.
HANDLE openForQuery(const char* path)
{
    return CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool identity(const char* path, BY_HANDLE_FILE_INFORMATION& info)
{
    const HANDLE h = openForQuery(path);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    return ok;
}

// A fresh name in the temporary folder; GetTempFileNameA creates the file so no one else takes it.
bool temporaryName(const char* prefix, std::string& path)
{
    char dir[MAX_PATH + 1];
    char name[MAX_PATH + 1];
    const DWORD n = GetTempPathA(sizeof dir, dir);
    if (n == 0 || n > sizeof dir || GetTempFileNameA(dir, prefix, 0, name) == 0)
        return false;
    path = name;
    return true;
}

}  // namespace

bool sameFile(const char* a, const char* b)
{
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    return identity(a, ia) && identity(b, ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber
        && ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

bool isRegularFile(const char* path)
{
    const HANDLE h = openForQuery(path);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool regular = GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) != 0
        && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    CloseHandle(h);
    return regular;
}

FILE* openTemporaryStream()
{
    // The C library's tmpfile would try the root of the drive, which users may not write to.
    std::string path;
    if (!temporaryName("orv", path))
        return nullptr;
    const HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DeleteFileA(path.c_str());
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        return nullptr;
    }
    FILE* stream = _fdopen(fd, "w+b");
    if (stream == nullptr)
        _close(fd);
    return stream;
}

bool createTemporaryFile(const char* prefix, std::string& path)
{
    return temporaryName(prefix, path);
}

}  // namespace platform
