#include <algorithm>
#include <cstring>
#include <memory>

#include "mp3/decode/gapless_plan.h"
#include "mp3/exports/mp3_guard.h"
#include "mp3/exports/open_failure.h"
#include "mp3/exports/picture_info.h"
#include "mp3/exports/replay_gain_info.h"
#include "mp3/exports/stream_info.h"
#include "mp3/stream/audio_extent.h"
#include "mp3/stream/file_replay_gain.h"
#include "mp3/stream/frame_header.h"
#include "mp3/stream/stream_map.h"
#include "mp3/stream/stream_reader.h"
#include "mp3/stream/stream_survey.h"
#include "orvane/mp3.h"

namespace {

using export_guard::kBadArgument;
using export_guard::refuse;

// Opens the file, reads its first frame and hands reader and header to query; a refusal saying
// why when it cannot. The whole runs through the library's guard, failing with 0.
template<typename Query> int32_t withFirstFrame(const char* path, int32_t startOffset, Query query)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        if (path == nullptr || startOffset < 0)
            refuse(kBadArgument, "no path given, or a negative start offset");
        // The reader holds a 64 KiB buffer: keep it off the caller's stack.
        std::unique_ptr<StreamReader> reader(new StreamReader(path, uint32_t(startOffset)));
        if (!reader->isOpen())
            refuseUnopenable(path);
        FrameHeader header;
        if (!header.readFrame(*reader, nullptr)) {
            reader.reset();
            const std::unique_ptr<ByteSource> source = openFileSource(path);
            refuseUndecodable(*source);
        }
        return query(*reader, header);
    });
}

}  // namespace

extern "C" MP3_API int32_t OrvaneGetTotalMs(const char* path, int32_t startOffset)
{
    return withFirstFrame(path, startOffset, [](StreamReader& r, FrameHeader&) {
        StreamMap map;
        if (!r.positionAt(0, 0) || !scanStream(r, map) || map.sampleRate <= 0)
            return 0;
        // The length a decode handle delivers: gapless where the stream says how.
        const double ms = double(GaplessPlan(map, true).total()) * 1000.0 / map.sampleRate;
        return int32_t(std::min(ms, 2147483647.0));
    });
}

extern "C" MP3_API int32_t OrvaneGetFirstBitrate(const char* path, int32_t startOffset)
{
    return withFirstFrame(path, startOffset, [](const StreamReader&, const FrameHeader& h) { return h.bitrate(); });
}

extern "C" MP3_API int32_t OrvaneGetTagText(const char* path, int32_t startOffset, int32_t field, char* buffer,
                                            int32_t size)
{
    return mp3Guard<int32_t>(-1, [&]() -> int32_t {
        if (field < 0 || field >= TagText::kFieldCount || size < 0 || (buffer == nullptr && size > 0))
            refuse(kBadArgument, "a field outside 0..6, a negative size or a null buffer with a size");
        if (path == nullptr || startOffset < 0)
            refuse(kBadArgument, "no path given, or a negative start offset");
        TagText text;
        if (!readTagText(path, startOffset, text))
            refuseUnopenable(path);
        return tag_text::copyOut(text[TagText::Field(field)], buffer, size);
    });
}

extern "C" MP3_API int32_t OrvaneGetStreamInfo(const char* path, int32_t startOffset, OrvaneStreamInfo* info)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        if (info == nullptr || path == nullptr || startOffset < 0)
            refuse(kBadArgument, "no path or info given, or a negative start offset");
        if (!openFileSource(path)->isOpen())
            refuseUnopenable(path);
        const auto survey = std::make_unique<StreamSurvey>();
        if (!surveyStream(openFileSource(path), uint32_t(startOffset), *survey)) {
            const std::unique_ptr<ByteSource> source = openFileSource(path);
            refuseUndecodable(*source);
        }
        *info = streamInfo(*survey);
        return 1;
    });
}

extern "C" MP3_API int32_t OrvaneGetPictureInfo(const char* path, int32_t startOffset, OrvanePictureInfo* info)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        if (info == nullptr || path == nullptr || startOffset < 0)
            refuse(kBadArgument, "no path or info given, or a negative start offset");
        TagText text;
        if (!readTagText(path, startOffset, text))
            refuseUnopenable(path);
        fillPictureInfo(text.picture, *info);
        return 1;
    });
}

extern "C" MP3_API int32_t OrvaneGetReplayGain(const char* path, int32_t startOffset, OrvaneReplayGain* gain)
{
    return mp3Guard<int32_t>(0, [&]() -> int32_t {
        if (gain == nullptr || path == nullptr || startOffset < 0)
            refuse(kBadArgument, "no path or gain given, or a negative start offset");
        ReplayGain read;
        if (!readReplayGain(path, startOffset, read))
            refuseUnopenable(path);
        fillReplayGainInfo(read, *gain);
        return 1;
    });
}
