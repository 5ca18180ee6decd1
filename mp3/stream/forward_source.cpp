#include "mp3/stream/forward_source.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "mp3/stream/end_tags.h"

namespace {

// Bytes received but not yet handed out: an ID3v1 tag and an APEv2 tag without a header fit.
constexpr int64_t kHoldBack = 8192;
// Bytes kept before the position, for a reader stepping back.
constexpr int64_t kHistory = 65536;
// Bytes asked of the callback at a time.
constexpr int64_t kChunk = 16384;
constexpr int64_t kApeBytes = 32;
constexpr int64_t kId3v1Bytes = 128;
// An APEv2 tag larger than this is audio (as end_tags takes it).
constexpr uint32_t kApeLimit = 64u << 20;

uint32_t littleEndian32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

class ForwardSource : public ByteSource {
public:
    ForwardSource(ReadCallback readCallback, void* context, TagText* endTags)
        : read_(readCallback), context_(context), endTags_(endTags), open_(readCallback != nullptr)
    { }
    bool canSeek() const override { return false; }
    bool failed() const override { return failed_; }
    bool isOpen() const override { return open_; }
    void close() override
    {
        open_ = false;
        bytes_ = std::vector<uint8_t>();
    }
    int64_t read(void* dst, uint64_t bytes) override
    {
        if (!open_)
            return -1;
        const int64_t want = int64_t(std::min<uint64_t>(bytes, uint64_t(INT64_MAX - position_)));
        fillTo(position_ + want);
        const int64_t n = std::clamp<int64_t>(limit() - position_, 0, want);
        if (n == 0 && failed_)
            return -1;
        if (n > 0)
            std::memcpy(dst, bytes_.data() + (position_ - base_), size_t(n));
        position_ += n;
        handedOut_ = std::max(handedOut_, position_);
        return n;
    }
    int64_t seek(int64_t offset, Origin origin) override
    {
        if (!open_ || origin == Origin::End)
            return -1;
        const int64_t from = origin == Origin::Begin ? 0 : position_;
        if ((offset > 0 && from > INT64_MAX - offset) || from + offset < base_)
            return -1;
        position_ = from + offset;
        return position_;
    }
    int64_t position() const override { return open_ ? position_ : -1; }
    int64_t size() const override { return -1; }

private:
    int64_t received() const { return base_ + int64_t(bytes_.size()); }
    // The first byte not to hand out (yet): the audio's end once the stream has ended, else
    // the held-back bytes and any APEv2 tag that may end the stream.
    int64_t limit() const
    {
        if (ended_)
            return end_;
        int64_t l = received() - kHoldBack;
        if (apeAt_ >= 0)
            l = std::min(l, apeAt_);
        return std::max(l, handedOut_);
    }
    void fillTo(int64_t target)
    {
        while (!ended_ && limit() < target)
            receive();
    }
    void receive()
    {
        // Bytes well before the position are no longer needed.
        const int64_t drop = std::min(position_ - kHistory, received()) - base_;
        if (drop >= kHistory) {
            bytes_.erase(bytes_.begin(), bytes_.begin() + drop);
            base_ += drop;
        }
        const size_t at = bytes_.size();
        bytes_.resize(at + size_t(kChunk));
        const int64_t got = read_(context_, bytes_.data() + at, kChunk);
        const bool good = got > 0 && got <= kChunk;
        bytes_.resize(at + size_t(good ? got : 0));
        if (!good) {
            failed_ = got != 0;
            finish();
            return;
        }
        watchApe();
    }
    // A header of an APEv2 tag among the held-back bytes: nothing from it on is handed out until
    // the stream is seen to go on past where the tag (and an ID3v1 tag after it) would end.
    void watchApe()
    {
        if (apeAt_ >= 0 && received() > apeEnd_ + kId3v1Bytes)
            apeAt_ = -1;
        for (scanFrom_ = std::max(scanFrom_, base_); apeAt_ < 0 && scanFrom_ + kApeBytes <= received(); ++scanFrom_) {
            const uint8_t* p = bytes_.data() + (scanFrom_ - base_);
            if (std::memcmp(p, "APETAGEX", 8) != 0 || (littleEndian32(p + 20) & 0x20000000u) == 0)
                continue;
            const uint32_t tagBytes = littleEndian32(p + 12);
            if (tagBytes < kApeBytes || tagBytes - kApeBytes > kApeLimit)
                continue;
            apeEnd_ = scanFrom_ + kApeBytes + tagBytes;
            if (received() <= apeEnd_ + kId3v1Bytes)
                apeAt_ = scanFrom_;
        }
    }
    // The stream has ended: the tags at its end, looked for among the bytes not handed out.
    void finish()
    {
        ended_ = true;
        const std::unique_ptr<ByteSource> held = openMemorySource(bytes_.data(), bytes_.size());
        const int64_t floor = std::max(handedOut_, base_) - base_;
        end_ = base_ + end_tags::find(*held, int64_t(bytes_.size()), floor, endTags_).audioEnd;
    }

    ReadCallback read_;
    void* context_;
    TagText* endTags_;
    bool open_;
    std::vector<uint8_t> bytes_;  // the stream's bytes from base_ on
    int64_t base_ = 0;
    int64_t position_ = 0;
    int64_t handedOut_ = 0;  // first byte never handed out
    int64_t scanFrom_ = 0;
    int64_t apeAt_ = -1;  // a possible closing APEv2 tag's first byte
    int64_t apeEnd_ = 0;
    int64_t end_ = 0;
    bool ended_ = false;
    bool failed_ = false;
};

}  // namespace

std::unique_ptr<ByteSource> openForwardSource(ReadCallback read, void* context, TagText* endTags)
{
    return std::make_unique<ForwardSource>(read, context, endTags);
}
