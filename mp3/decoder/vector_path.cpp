#include "mp3/decoder/vector_path.h"

#include "orvane/dsp.h"

namespace decoder {

VectorPath processVectorPath()
{
    return static_cast<VectorPath>(dspGetVectorPath());
}

bool vectorPathSupported(VectorPath path)
{
    return dspVectorPathSupported(static_cast<int32_t>(path)) != 0;
}

VectorPath usableVectorPath(VectorPath path)
{
    return vectorPathSupported(path) ? path : VectorPath::Sse;
}

}  // namespace decoder
