#include "tools/file_tags.h"

#include <vector>

#include "orvane/mp3.h"

std::string tagText(const std::string& path, int32_t offset, int32_t field)
{
    // Most fields fit the first buffer; a longer one is read again at its full length.
    std::vector<char> text(256);
    const int32_t length = OrvaneGetTagText(path.c_str(), offset, field, text.data(), int32_t(text.size()));
    if (length <= 0)
        return std::string();
    if (size_t(length) >= text.size()) {
        text.resize(size_t(length) + 1);
        OrvaneGetTagText(path.c_str(), offset, field, text.data(), int32_t(text.size()));
    }
    // A tag is the file's text, not ours: control characters (a terminal's escape sequences
    // among them) are shown as spaces.
    std::string out(text.data());
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return out;
}
