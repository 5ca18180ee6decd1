#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Internet radio's in-band titles: a server asked for them ("Icy-MetaData: 1") answers with
// "icy-metaint: N" and then puts a metadata block after every N bytes of audio: one length byte
// L, then L x 16 bytes of text such as "StreamTitle='Artist - Song';", padded with zeros.

// Splits such a stream into its audio bytes and its metadata blocks, across any split of the input.
class IcyDemuxer {
public:
    // interval 0: no metadata, every byte is audio.
    explicit IcyDemuxer(uint32_t interval = 0) : interval_(interval), audioLeft_(interval) { }
    // A metadata block's text (without its length byte and padding), and where it stood: the size
    // of the audio vector when it was completed.
    struct Block {
        size_t audioBefore;
        std::string text;
    };
    // Appends the audio bytes of data to audio and each metadata block completed to blocks.
    void feed(const uint8_t* data, size_t size, std::vector<uint8_t>& audio, std::vector<Block>& blocks);

private:
    uint32_t interval_;
    uint32_t audioLeft_;   // audio bytes before the next length byte
    size_t metaLeft_ = 0;  // text bytes of the block being read
    std::string block_;
};

// The StreamTitle value of a metadata block into title, as UTF-8 safe to print on a terminal
// (text that is not UTF-8 is read as Latin-1; control characters become spaces; no surrounding
// spaces). False when the block holds no StreamTitle.
bool icyStreamTitle(const std::string& block, std::string& title);

// A header value (a station's name) made as safe: the same conversion as a title's.
std::string icyText(const std::string& raw);
