#include <cstdio>
#include <string>
#include <vector>

#include "orvane/mp3.h"
#include "tools/cli.h"
#include "tools/command.h"
#include "tools/file_tags.h"
#include "tools/json_text.h"
#include "tools/picture_types.h"

namespace {

const char* const kUsage = "FILE... [--offset BYTES] [--json]";
const char* const kFieldKeys[] = {"title", "artist", "album", "year", "track", "genre", "comment"};
const char* const kTagFormats[] = {"ID3v2", "APEv2", "ID3v1"};

void printDetails(FILE* out)
{
    std::fprintf(out,
                 "Shows what a scan of each FILE's frame headers finds (nothing is decoded): MPEG version\n"
                 "(1, 2 or 2.5), layer, rate, channel mode, bitrates, length in PCM frames and seconds\n"
                 "(the encoder's delay and padding left out when a VBR tag states them), VBR tag, tags\n"
                 "(several values of a field joined with \"; \"), the embedded picture's type and size,\n"
                 "ReplayGain track and album gain and peak (from APEv2/ID3v2 TXXX items, RVA2, LAME tag).\n"
                 "BYTES skips leading data. --json prints one object per FILE (an array for several);\n"
                 "the manual page lists its keys. Exit status 1 when any FILE could not be read.\n");
}

const char* modeName(uint32_t mode)
{
    static const char* const names[4] = {"stereo", "joint stereo", "dual channel", "single channel"};
    return names[mode & 3];
}

const char* versionName(uint32_t version)
{
    return version == 10 ? "1" : version == 25 ? "2.5" : "2";
}

// Everything info tells about one file.
struct FileFacts {
    OrvaneStreamInfo info{};
    uint64_t pcmFrames = 0;  // the source's length: encoder's delay and padding left out
    double seconds = 0.0;
    double averageKbps = 0.0;
    std::vector<std::string> tagFormats;
    std::vector<std::pair<const char*, std::string>> fields;  // the tag fields present
    OrvanePictureInfo picture{};                              // the first embedded picture
    OrvaneReplayGain replayGain{};
};

// The facts, or false with the reason in error.
bool readFacts(const std::string& path, long offset, FileFacts& f, std::string& error)
{
    // One handle surveys the headers once for the facts and the length a decode delivers (joined
    // parts, stale counts and truncation accounted for); handles start at the file's first byte.
    OrvaneDecoder* d = offset == 0 ? OrvaneDecodeOpenFile(path.c_str()) : nullptr;
    OrvaneDecodeFormat format{};
    const bool byHandle
        = d != nullptr && OrvaneDecodeGetStreamInfo(d, &f.info) == 1 && OrvaneDecodeGetFormat(d, &format) == 1;
    OrvaneDecodeClose(d);
    if (!byHandle && OrvaneGetStreamInfo(path.c_str(), int32_t(offset), &f.info) != 1) {
        FILE* probe = std::fopen(path.c_str(), "rb");
        if (probe == nullptr)
            return error = "cannot open '" + path + "'", false;
        std::fclose(probe);
        return error = "'" + path + "' is not MPEG audio (no valid frame header found)", false;
    }
    const OrvaneStreamInfo& i = f.info;
    const uint64_t cut = uint64_t(i.encoderDelay) + i.encoderPadding;
    f.pcmFrames = byHandle ? format.totalFrames : i.samples > cut ? i.samples - cut : 0;
    f.seconds = double(f.pcmFrames) / i.sampleRate;
    const double allSeconds = double(i.samples) / i.sampleRate;
    f.averageKbps = allSeconds > 0.0 ? double(i.audioBytes) * 8.0 / allSeconds / 1000.0 : 0.0;
    for (uint32_t t = 0; t < 3; ++t)
        if (i.tags & (1u << t))
            f.tagFormats.emplace_back(kTagFormats[t]);
    for (int32_t field = kTagTitle; field <= kTagComment; ++field) {
        std::string text = tagText(path, int32_t(offset), field);
        if (!text.empty())
            f.fields.emplace_back(kFieldKeys[field], std::move(text));
    }
    if (OrvaneGetPictureInfo(path.c_str(), int32_t(offset), &f.picture) != 1)
        f.picture = OrvanePictureInfo{};
    f.picture.mime[sizeof f.picture.mime - 1] = '\0';
    if (OrvaneGetReplayGain(path.c_str(), int32_t(offset), &f.replayGain) != 1)
        f.replayGain = OrvaneReplayGain{};
    return true;
}

// "-6.50 dB, peak 0.988000" (the peak when stated).
std::string gainText(float db, float peak)
{
    char text[64];
    if (peak > 0.0f)
        std::snprintf(text, sizeof text, "%+.2f dB, peak %.6f", double(db), double(peak));
    else
        std::snprintf(text, sizeof text, "%+.2f dB", double(db));
    return text;
}

// {"track_gain": ..., "track_peak": ..., "album_gain": ..., "album_peak": ...} with null for what
// the file does not state; null when it states nothing.
std::string replayGainJson(const OrvaneReplayGain& g)
{
    if (!g.hasTrack && !g.hasAlbum && g.trackPeak <= 0.0f && g.albumPeak <= 0.0f)
        return "null";
    const auto value = [](bool present, float v, const char* format) {
        char text[32] = "null";
        if (present)
            std::snprintf(text, sizeof text, format, double(v));
        return std::string(text);
    };
    return "{\"track_gain\": " + value(g.hasTrack, g.trackGain, "%.2f") + ", \"track_peak\": "
        + value(g.trackPeak > 0.0f, g.trackPeak, "%.6f") + ", \"album_gain\": " + value(g.hasAlbum, g.albumGain, "%.2f")
        + ", \"album_peak\": " + value(g.albumPeak > 0.0f, g.albumPeak, "%.6f") + "}";
}

void printText(const std::string& path, const FileFacts& f)
{
    static const char* const layers[4] = {"", "I", "II", "III"};
    const OrvaneStreamInfo& i = f.info;
    std::printf("file:          %s\n", path.c_str());
    std::printf("version:       MPEG-%s\n", versionName(i.version));
    std::printf("layer:         %s\n", layers[i.layer & 3]);
    std::printf("sample rate:   %u Hz\n", i.sampleRate);
    std::printf("channel mode:  %s\n", modeName(i.channelMode));
    std::printf("CRC:           %s\n", i.crc ? "yes" : "no");
    std::printf("first bitrate: %u kbit/s\n", i.firstBitrate);
    std::printf("bitrate:       %s, average %.1f kbit/s\n", i.variableBitrate ? "VBR" : "CBR", f.averageKbps);
    std::printf("frames:        %llu\n", static_cast<unsigned long long>(i.frames));
    std::printf("duration:      %.3f s (%llu samples)\n", f.seconds, static_cast<unsigned long long>(f.pcmFrames));
    if (i.vbrTag != 0)
        std::printf("VBR tag:       %s, %u frames\n", i.vbrTag == 2 ? "Info (CBR)" : "Xing (VBR)", i.vbrTagFrames);
    else
        std::printf("VBR tag:       no\n");
    if (i.encoderTag)
        std::printf("encoder delay: %u samples, padding %u samples\n", i.encoderDelay, i.encoderPadding);
    std::string formats;
    for (const std::string& t : f.tagFormats)
        formats += (formats.empty() ? "" : " ") + t;
    std::printf("tags:          %s\n", formats.empty() ? "none" : formats.c_str());
    for (const auto& [key, text] : f.fields)
        std::printf("%-15s%s\n", (std::string(key) + ":").c_str(), text.c_str());
    if (f.picture.present)
        std::printf("picture:       %s, %s%s%llu bytes\n", pictureTypeName(f.picture.type), f.picture.mime,
                    f.picture.mime[0] != '\0' ? ", " : "", static_cast<unsigned long long>(f.picture.bytes));
    const OrvaneReplayGain& g = f.replayGain;
    if (g.hasTrack)
        std::printf("track gain:    %s\n", gainText(g.trackGain, g.trackPeak).c_str());
    if (g.hasAlbum)
        std::printf("album gain:    %s\n", gainText(g.albumGain, g.albumPeak).c_str());
    if (i.truncated)
        std::printf("truncated:     yes, the last frame is cut off\n");
}

// One object; key names are documented in the manual page and stay stable.
void printJson(const std::string& path, const FileFacts& f, const char* indent)
{
    const OrvaneStreamInfo& i = f.info;
    const auto flag = [](uint32_t v) { return v ? "true" : "false"; };
    std::printf("%s{\"file\": %s, \"mpeg_version\": \"%s\", \"layer\": %u, \"sample_rate\": %u, "
                "\"channels\": %u, \"channel_mode\": \"%s\", \"crc\": %s,\n",
                indent, jsonString(path).c_str(), versionName(i.version), i.layer, i.sampleRate,
                i.channelMode == 3 ? 1u : 2u, modeName(i.channelMode), flag(i.crc));
    std::printf("%s \"first_bitrate_kbps\": %u, \"variable_bitrate\": %s, \"average_bitrate_kbps\": %.3f, "
                "\"mpeg_frames\": %llu,\n",
                indent, i.firstBitrate, flag(i.variableBitrate), f.averageKbps,
                static_cast<unsigned long long>(i.frames));
    std::printf("%s \"samples\": %llu, \"duration_seconds\": %.6f, \"decoded_samples\": %llu,\n", indent,
                static_cast<unsigned long long>(f.pcmFrames), f.seconds, static_cast<unsigned long long>(i.samples));
    const char* const vbrTags[3] = {"null", "\"Xing\"", "\"Info\""};
    std::printf("%s \"vbr_tag\": %s, \"vbr_tag_frames\": %u, ", indent, vbrTags[i.vbrTag < 3 ? i.vbrTag : 0],
                i.vbrTagFrames);
    if (i.encoderTag)
        std::printf("\"encoder_delay\": %u, \"encoder_padding\": %u,\n", i.encoderDelay, i.encoderPadding);
    else
        std::printf("\"encoder_delay\": null, \"encoder_padding\": null,\n");
    std::string formats, fields;
    for (const std::string& t : f.tagFormats)
        formats += (formats.empty() ? "" : ", ") + jsonString(t);
    for (const auto& [key, text] : f.fields)
        fields += (fields.empty() ? "" : ", ") + jsonString(key) + ": " + jsonString(text);
    std::string picture = "null";
    if (f.picture.present)
        picture = "{\"type\": " + std::to_string(f.picture.type)
            + ", \"type_name\": " + jsonString(pictureTypeName(f.picture.type))
            + ", \"mime\": " + jsonString(f.picture.mime) + ", \"bytes\": " + std::to_string(f.picture.bytes) + "}";
    std::printf("%s \"tag_formats\": [%s], \"tags\": {%s}, \"picture\": %s,\n", indent, formats.c_str(), fields.c_str(),
                picture.c_str());
    std::printf("%s \"replaygain\": %s, \"truncated\": %s}", indent, replayGainJson(f.replayGain).c_str(),
                flag(i.truncated));
}

int runInfo(const std::vector<std::string>& args)
{
    std::vector<std::string> paths;
    long offset = 0;
    bool json = false;
    for (ArgReader r(args); !r.done();) {
        if (r.option("--offset")) {
            if (!r.integer(0, 0x7FFFFFFF, "bytes", offset))
                return 2;
        } else if (r.option("--json")) {
            json = true;
        } else if (const int status = r.operand(paths)) {
            return status;
        }
    }
    if (paths.empty())
        return usageError("no FILE given");
    const bool array = json && paths.size() > 1;
    int status = 0;
    bool first = true;
    if (array)
        std::printf("[\n");
    for (const std::string& path : paths) {
        FileFacts f;
        std::string error;
        if (!readFacts(path, offset, f, error)) {
            status = failure(error);
            if (json)
                std::printf("%s%s{\"file\": %s, \"error\": %s}", first ? "" : ",\n", array ? "  " : "",
                            jsonString(path).c_str(), jsonString(error).c_str());
            first = false;
            continue;
        }
        if (json) {
            std::printf("%s", first ? "" : ",\n");
            printJson(path, f, array ? "  " : "");
        } else {
            std::printf("%s", first ? "" : "\n");
            printText(path, f);
        }
        first = false;
        if (f.info.truncated && verbosity() != Verbosity::quiet)
            std::fprintf(stderr, "orvane info: '%s' is truncated: the last frame is cut off\n", path.c_str());
    }
    if (json)
        std::printf(array ? "\n]\n" : "\n");
    return status;
}

}  // namespace

ORVANE_COMMAND("info", kUsage, "show the stream facts of MPEG audio files (--json for scripts)", runInfo, printDetails);
