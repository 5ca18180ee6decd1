#pragma once

#include <benchmark/benchmark.h>

#include <string>

#include "mp3/decode/stream_decoder.h"
#include "mp3/player/player_settings.h"

// Decodes `file` to PCM in memory once per iteration on the given synthesis path and reports
// seconds of audio per second of processing as x_realtime.
inline void decodeFileBench(benchmark::State& state, const std::string& file, player::SimdPath path)
{
    decoder::DecoderSettings settings;
    settings.path = path;
    double audioSeconds = 0.0;
    for (auto _ : state) {
        StreamDecoder dec;
        if (!dec.open(file.c_str())) {
            state.SkipWithError("cannot open the benchmark stream");
            break;
        }
        dec.setSettings(settings);
        dec.keepPcm(false);
        dec.decodeAll();
        audioSeconds += double(dec.samplesOut()) / dec.channels() / dec.sampleRate();
    }
    state.counters["x_realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
}
