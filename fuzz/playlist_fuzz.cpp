// The orvane tool's playlist reader on arbitrary lists: every file it names is a non-empty path,
// the names around the list keep their places, and a refusal gives its reason.
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "tools/playlist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string list = fuzzFile(size > 0 && data[0] & 1 ? "list.m3u8" : "list.m3u", data, size);
    if (list.empty())
        return 0;
    std::vector<std::string> files;
    std::string error;
    if (!expandPlaylist({"first.mp3", list, "last.mp3"}, files, error)) {
        if (error.empty())
            std::abort();
        return 0;
    }
    if (files.size() < 3 || files.front() != "first.mp3" || files.back() != "last.mp3")
        std::abort();
    for (const std::string& f : files)
        if (f.empty())
            std::abort();
    return 0;
}
