/* Opens a file with libmp3's decode interface and, when that fails, prints why: the error code
 * and the reason (for a file that cannot be opened, in the system's words).
 * Usage: error_reason FILE  (exit status 0 when it opens, 1 with the reason when not) */
#include <stdio.h>

#include <orvane/mp3.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    OrvaneDecoder* decoder = OrvaneDecodeOpenFile(argv[1]);
    if (decoder == NULL) {
        const char* kind = "other failure";
        switch (OrvaneLastErrorCode()) {
        case ORVANE_ERROR_CANNOT_OPEN:
            kind = "cannot open";
            break;
        case ORVANE_ERROR_NOT_MPEG:
            kind = "not MPEG audio";
            break;
        case ORVANE_ERROR_UNSUPPORTED:
            kind = "unsupported";
            break;
        case ORVANE_ERROR_TRUNCATED:
            kind = "truncated";
            break;
        case ORVANE_ERROR_OUT_OF_MEMORY:
            kind = "out of memory";
            break;
        }
        printf("%s: %s (code %d): %s\n", argv[1], kind, (int)OrvaneLastErrorCode(), OrvaneLastError());
        return 1;
    }
    printf("%s: opens\n", argv[1]);
    OrvaneDecodeClose(decoder);
    return 0;
}
