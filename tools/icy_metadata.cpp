#include "tools/icy_metadata.h"

#include <algorithm>

void IcyDemuxer::feed(const uint8_t* data, size_t size, std::vector<uint8_t>& audio, std::vector<Block>& blocks)
{
    if (interval_ == 0) {
        audio.insert(audio.end(), data, data + size);
        return;
    }
    while (size > 0) {
        if (audioLeft_ > 0) {
            const size_t n = std::min<size_t>(audioLeft_, size);
            audio.insert(audio.end(), data, data + n);
            audioLeft_ -= uint32_t(n);
            data += n;
            size -= n;
        } else if (metaLeft_ == 0 && block_.empty()) {
            // The length byte; a block of length 0 says nothing new.
            metaLeft_ = size_t(*data++) * 16;
            --size;
            if (metaLeft_ == 0)
                audioLeft_ = interval_;
            else
                block_.reserve(metaLeft_);
        } else {
            const size_t n = std::min(metaLeft_, size);
            block_.append(reinterpret_cast<const char*>(data), n);
            metaLeft_ -= n;
            data += n;
            size -= n;
            if (metaLeft_ == 0) {
                blocks.push_back(Block{audio.size(), block_.substr(0, block_.find('\0'))});
                block_.clear();
                audioLeft_ = interval_;
            }
        }
    }
}

namespace {

// Length of the UTF-8 sequence at text[at] when it is a well-formed one, else 0.
size_t utf8Sequence(const std::string& text, size_t at)
{
    const auto lead = uint8_t(text[at]);
    const size_t n = lead < 0x80      ? 1
        : lead >= 0xC2 && lead < 0xE0 ? 2
        : lead >= 0xE0 && lead < 0xF0 ? 3
        : lead >= 0xF0 && lead < 0xF5 ? 4
                                      : 0;
    if (n == 0 || at + n > text.size())
        return 0;
    for (size_t k = 1; k < n; ++k)
        if ((uint8_t(text[at + k]) & 0xC0) != 0x80)
            return 0;
    return n;
}

bool isUtf8(const std::string& text)
{
    for (size_t at = 0, n = 0; at < text.size(); at += n)
        if ((n = utf8Sequence(text, at)) == 0)
            return false;
    return true;
}

}  // namespace

std::string icyText(const std::string& raw)
{
    std::string text;
    if (isUtf8(raw)) {
        text = raw;
    } else {
        for (const char c : raw) {
            const auto byte = uint8_t(c);
            if (byte < 0x80) {
                text += c;
            } else {
                text += char(0xC0 | byte >> 6);
                text += char(0x80 | (byte & 0x3F));
            }
        }
    }
    // Control characters (C0, DEL and, as UTF-8, C1) could steer the terminal: spaces instead.
    std::string safe;
    for (size_t at = 0; at < text.size(); ++at) {
        const auto byte = uint8_t(text[at]);
        if (byte < 0x20 || byte == 0x7F)
            safe += ' ';
        else if (byte == 0xC2 && at + 1 < text.size() && uint8_t(text[at + 1]) < 0xA0)
            safe += ' ', ++at;
        else
            safe += text[at];
    }
    const size_t first = safe.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : safe.substr(first, safe.find_last_not_of(' ') - first + 1);
}

bool icyStreamTitle(const std::string& block, std::string& title)
{
    static const std::string key = "StreamTitle='";
    const size_t start = block.find(key);
    if (start == std::string::npos)
        return false;
    // The value ends at "';" (a title may hold a lone quote), or at the block's end.
    const size_t from = start + key.size();
    size_t end = block.find("';", from);
    if (end == std::string::npos)
        end = block.size() > from && block.back() == '\'' ? block.size() - 1 : block.size();
    title = icyText(block.substr(from, end - from));
    return true;
}
