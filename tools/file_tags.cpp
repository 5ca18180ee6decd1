#include "tools/file_tags.h"

#include <vector>

namespace {

// The text get(buffer, size) gives (OrvaneGetTagText's contract), made safe to print.
template<class Get> std::string fieldText(Get get)
{
    // Most fields fit the first buffer; a longer one is read again at its full length.
    std::vector<char> text(256);
    const int32_t length = get(text.data(), int32_t(text.size()));
    if (length <= 0)
        return std::string();
    if (size_t(length) >= text.size()) {
        text.resize(size_t(length) + 1);
        get(text.data(), int32_t(text.size()));
    }
    // A tag is the file's text, not ours: control characters (a terminal's escape sequences
    // among them) are shown as spaces.
    std::string out(text.data());
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return out;
}

}  // namespace

std::string tagText(const std::string& path, int32_t offset, int32_t field)
{
    return fieldText(
        [&](char* buffer, int32_t size) { return OrvaneGetTagText(path.c_str(), offset, field, buffer, size); });
}

std::string tagText(OrvaneDecoder* decoder, int32_t field)
{
    return fieldText([&](char* buffer, int32_t size) { return OrvaneDecodeGetTagText(decoder, field, buffer, size); });
}

std::string displayName(const std::string& artist, const std::string& title)
{
    return title.empty() ? artist : artist.empty() ? title : artist + " - " + title;
}
