// Compiled in the stream layer's view: an include of a higher layer must not compile.
#include "mp3/decode/pcm_decoder.h"
