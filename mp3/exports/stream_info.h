#pragma once

#include "mp3/stream/stream_survey.h"
#include "orvane/mp3.h"

// The stream facts a survey holds, as OrvaneGetStreamInfo and OrvaneDecodeGetStreamInfo give them.
OrvaneStreamInfo streamInfo(const StreamSurvey& survey);
// The same facts from the first frame (the tag's), the first audio frame and an encoder tag that
// vouches for the whole stream (tagVouchesForStream), without a survey.
OrvaneStreamInfo vouchedStreamInfo(const FrameHeader::Summary& first, const FrameHeader::Summary& firstAudio,
                                   const VbrInfo& tag, const AudioExtent& extent);
