// Compiled in the stream layer's view: a layer may include what lies beneath it.
#include "mp3/stream/frame_header.h"
