#include "mp3/exports/mp3_guard.h"
#include "orvane/mp3.h"

static_assert(export_guard::kCannotOpen == ORVANE_ERROR_CANNOT_OPEN && export_guard::kNotMpeg == ORVANE_ERROR_NOT_MPEG
                  && export_guard::kUnsupported == ORVANE_ERROR_UNSUPPORTED
                  && export_guard::kTruncated == ORVANE_ERROR_TRUNCATED
                  && export_guard::kOutOfMemory == ORVANE_ERROR_OUT_OF_MEMORY
                  && export_guard::kBadArgument == ORVANE_ERROR_BAD_ARGUMENT
                  && export_guard::kWrongHandle == ORVANE_ERROR_WRONG_HANDLE
                  && export_guard::kFailed == ORVANE_ERROR_FAILED,
              "the header's error codes are the guard's");

extern "C" {

MP3_API const char* OrvaneLastError(void)
{
    return export_guard::lastError<Mp3Library>().reason;
}

MP3_API int32_t OrvaneLastErrorCode(void)
{
    return export_guard::lastError<Mp3Library>().code;
}

}  // extern "C"
