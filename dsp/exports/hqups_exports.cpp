#include "orvane/dsp.h"

#include <cmath>

#include "dsp/exports/export_support.h"
#include "dsp/exports/init_checks.h"
#include "dsp/rate/hqups.h"

namespace {

Hqups::Settings settingsOf(uint32_t channels, uint32_t dstChannels, uint32_t srcRate, float harmonics, float mix,
                           uint32_t bandCutoff, uint32_t interpolation, float stopbandDb, float slopeDbPerOctave,
                           int32_t activeMode, uint8_t antiAlias)
{
    return {
        channels,   dstChannels,      srcRate,    harmonics,     mix, bandCutoff, static_cast<int32_t>(interpolation),
        stopbandDb, slopeDbPerOctave, activeMode, antiAlias != 0};
}

}  // namespace

extern "C" {

void* initHqups(uint32_t dstFrames, uint32_t channels, uint32_t dstChannels, uint32_t srcRate, float harmonics,
                float mix, uint32_t bandCutoff, uint32_t interpolation, float stopbandDb, float slopeDbPerOctave,
                int32_t activeMode, uint8_t antiAlias)
{
    return dspGuard<void*>(nullptr, [&]() -> void* {
        if (!effectFormatUsable(dstFrames, channels, srcRate))
            export_guard::refuse(export_guard::kBadArgument, "frames, channels or a rate out of range");
        return handedOut(
            Hqups::createForOutput(dstFrames,
                                   settingsOf(channels, dstChannels, srcRate, harmonics, mix, bandCutoff, interpolation,
                                              stopbandDb, slopeDbPerOctave, activeMode, antiAlias)));
    });
}

void* initHqupsBySrcsize(uint32_t srcFrames, uint32_t channels, uint32_t dstChannels, uint32_t srcRate, float harmonics,
                         float mix, uint32_t bandCutoff, uint32_t interpolation, float stopbandDb,
                         float slopeDbPerOctave, int32_t activeMode, uint8_t antiAlias)
{
    return dspGuard<void*>(nullptr, [&]() -> void* {
        if (!effectFormatUsable(srcFrames, channels, srcRate))
            export_guard::refuse(export_guard::kBadArgument, "frames, channels or a rate out of range");
        return handedOut(
            Hqups::createForSource(srcFrames,
                                   settingsOf(channels, dstChannels, srcRate, harmonics, mix, bandCutoff, interpolation,
                                              stopbandDb, slopeDbPerOctave, activeMode, antiAlias)));
    });
}

int32_t doHqups(void* handle, const int16_t* src, int16_t* dst, uint32_t srcBytes)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Hqups* h = effectAs<Hqups>(handle, EffectType::Hqups);
        if (srcBytes > 0 && (src == nullptr || dst == nullptr))
            export_guard::refuse(export_guard::kBadArgument, "a null buffer");
        return static_cast<int32_t>(h->processPcm16(src, dst, srcBytes));
    });
}

int32_t setHqupsHarmonics(void* handle, float harmonics)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Hqups* h = effectAs<Hqups>(handle, EffectType::Hqups);
        if (!std::isfinite(harmonics))
            return 0;
        h->setHarmonics(harmonics);
        return 1;
    });
}

int32_t setHqupsMix(void* handle, float mix)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Hqups* h = effectAs<Hqups>(handle, EffectType::Hqups);
        if (!std::isfinite(mix))
            return 0;
        h->setMix(mix);
        return 1;
    });
}

int32_t setHqupsActiveMode(void* handle, int32_t mode)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t {
        Hqups* h = effectAs<Hqups>(handle, EffectType::Hqups);
        h->setActiveMode(mode);
        return 1;
    });
}

uint32_t getHqupsDstSize(void* handle, uint32_t srcFrames)
{
    return dspGuard<uint32_t>(0, [&]() -> uint32_t {
        Hqups* h = effectAs<Hqups>(handle, EffectType::Hqups);
        return h->getDstSize(srcFrames);
    });
}

uint32_t getHqupsSrcSize(void* handle, uint32_t dstFrames)
{
    return dspGuard<uint32_t>(0, [&]() -> uint32_t {
        Hqups* h = effectAs<Hqups>(handle, EffectType::Hqups);
        return h->srcSizeFor(dstFrames);
    });
}

int32_t termHqups(void* handle)
{
    return dspGuard<int32_t>(0, [&]() -> int32_t { return terminateEffect<Hqups>(handle, EffectType::Hqups); });
}

}  // extern "C"
