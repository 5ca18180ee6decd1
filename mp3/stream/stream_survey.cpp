#include "mp3/stream/stream_survey.h"

#include <utility>

#include "mp3/stream/stream_reader.h"

bool surveyStream(std::unique_ptr<ByteSource> source, uint32_t startOffset, StreamSurvey& survey)
{
    if (!source)
        return false;
    // The reader holds a 64 KiB buffer: keep it off the caller's stack.
    const auto reader = std::make_unique<StreamReader>(std::move(source), startOffset);
    if (!reader->isOpen() || !survey.first.readFrame(*reader, nullptr) || !reader->positionAt(0, 0))
        return false;
    survey.extent = reader->extent();
    return scanStream(*reader, survey.map);
}
