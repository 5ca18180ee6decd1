#pragma once

#include "mp3/stream/stream_survey.h"
#include "orvane/mp3.h"

// The stream facts a survey holds, as OrvaneGetStreamInfo and OrvaneDecodeGetStreamInfo give them.
OrvaneStreamInfo streamInfo(const StreamSurvey& survey);
