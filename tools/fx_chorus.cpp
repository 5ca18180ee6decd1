#include <string>

#include "orvane/dsp.h"
#include "tools/fx_effect.h"

namespace {

void* createChorus(const FxArgs& args, const FxFormat& format, std::string& error)
{
    double voices = 0, delay = 0, depth = 0, speed = 0, mix = 0, dry = 0;
    if (!args.number(0, 3, 0, 64, "voices", voices, error) || !args.number(1, 20, 0, 1000, "delay ms", delay, error)
        || !args.number(2, 3, 0, 1000, "depth ms", depth, error)
        || !args.number(3, 2, 0, 3600, "period s", speed, error) || !args.number(4, 40, 0, 400, "mix %", mix, error)
        || !args.number(5, 70, 0, 400, "dry %", dry, error))
        return nullptr;
    return initChorus(format.frames, format.channels, format.rate, uint32_t(voices), float(delay), float(depth),
                      float(speed), float(mix), float(dry));
}

}  // namespace

ORVANE_FX_EFFECT("chorus",
                 "VOICES,DELAY_MS,DEPTH_MS,PERIOD_S,MIX,DRY (voices 0..64, default 3; delay 20 ms; depth 3 ms;"
                 " LFO period 2 s, 0 holds still; wet % per voice 40; dry % 70)",
                 "voices swept round a delay by a sine LFO, mixed with the dry signal", createChorus, 6);
