#include "mp3/decoder/vector_path.h"

namespace decoder {

namespace {

bool cpuHasAvx2Fma()
{
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has;
}

}  // namespace

bool vectorPathSupported(VectorPath path)
{
    return path != VectorPath::Avx2 || cpuHasAvx2Fma();
}

VectorPath usableVectorPath(VectorPath path)
{
    return vectorPathSupported(path) ? path : VectorPath::Sse;
}

VectorPath bestVectorPath()
{
    return cpuHasAvx2Fma() ? VectorPath::Avx2 : VectorPath::Sse;
}

}  // namespace decoder
