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
    try {
        if (!effectFormatUsable(dstFrames, channels, srcRate))
            return nullptr;
        return handedOut(
            Hqups::createForOutput(dstFrames,
                                   settingsOf(channels, dstChannels, srcRate, harmonics, mix, bandCutoff, interpolation,
                                              stopbandDb, slopeDbPerOctave, activeMode, antiAlias)));
    } catch (...) {
        return nullptr;
    }
}

void* initHqupsBySrcsize(uint32_t srcFrames, uint32_t channels, uint32_t dstChannels, uint32_t srcRate, float harmonics,
                         float mix, uint32_t bandCutoff, uint32_t interpolation, float stopbandDb,
                         float slopeDbPerOctave, int32_t activeMode, uint8_t antiAlias)
{
    try {
        if (!effectFormatUsable(srcFrames, channels, srcRate))
            return nullptr;
        return handedOut(
            Hqups::createForSource(srcFrames,
                                   settingsOf(channels, dstChannels, srcRate, harmonics, mix, bandCutoff, interpolation,
                                              stopbandDb, slopeDbPerOctave, activeMode, antiAlias)));
    } catch (...) {
        return nullptr;
    }
}

int32_t doHqups(void* handle, const int16_t* src, int16_t* dst, uint32_t srcBytes)
{
    try {
        Hqups* h = effectAs<Hqups>(handle, EffectType::Hqups);
        if (h == nullptr || (srcBytes > 0 && (src == nullptr || dst == nullptr)))
            return 0;
        return static_cast<int32_t>(h->processPcm16(src, dst, srcBytes));
    } catch (...) {
        return 0;
    }
}

int32_t setHqupsHarmonics(void* handle, float harmonics)
{
    try {
        Hqups* h = effectAs<Hqups>(handle, EffectType::Hqups);
        if (h == nullptr || !std::isfinite(harmonics))
            return 0;
        h->setHarmonics(harmonics);
        return 1;
    } catch (...) {
        return 0;
    }
}

int32_t setHqupsMix(void* handle, float mix)
{
    try {
        Hqups* h = effectAs<Hqups>(handle, EffectType::Hqups);
        if (h == nullptr || !std::isfinite(mix))
            return 0;
        h->setMix(mix);
        return 1;
    } catch (...) {
        return 0;
    }
}

int32_t setHqupsActiveMode(void* handle, int32_t mode)
{
    try {
        Hqups* h = effectAs<Hqups>(handle, EffectType::Hqups);
        if (h == nullptr)
            return 0;
        h->setActiveMode(mode);
        return 1;
    } catch (...) {
        return 0;
    }
}

uint32_t getHqupsDstSize(void* handle, uint32_t srcFrames)
{
    try {
        Hqups* h = effectAs<Hqups>(handle, EffectType::Hqups);
        return h ? h->getDstSize(srcFrames) : 0;
    } catch (...) {
        return 0;
    }
}

uint32_t getHqupsSrcSize(void* handle, uint32_t dstFrames)
{
    try {
        Hqups* h = effectAs<Hqups>(handle, EffectType::Hqups);
        return h ? h->srcSizeFor(dstFrames) : 0;
    } catch (...) {
        return 0;
    }
}

int32_t termHqups(void* handle)
{
    return terminateEffect<Hqups>(handle, EffectType::Hqups);
}

}  // extern "C"
