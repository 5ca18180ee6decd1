#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "tools/cli.h"
#include "tools/command.h"
#include "tools/convert_batch.h"
#include "tools/convert_job.h"
#include "tools/play_session.h"
#include "tools/progress.h"
#include "tools/wav_files.h"

namespace {

const char* const kUsage
    = "FILE OUT.wav|- | FILE... -o DIR [-j N]; [--bits 16|24|32|float] [--rate HZ] [--mono|--channels N] [--raw]"
      " [--start TIME] [--length TIME] [--offset BYTES] [--volume 0..65536] [--replaygain track|album]"
      " [--plain|--sse|--3dnow] [--no-gapless]";
// Twice full scale: louder settings only clip.
constexpr long kMaxVolume = 65536;
constexpr long kMaxChannels = 8;

void printDetails(FILE* out)
{
    std::fprintf(out,
                 "Decodes FILE to OUT.wav (\"-\": standard output), without the encoder's delay and padding\n"
                 "where the file states them (--no-gapless keeps every decoded sample); a damaged frame\n"
                 "gives a frame of silence. Output is 16-bit PCM at the stream's rate and channels unless:\n"
                 "  --bits 24, 32 or float  wider integers or 32-bit float samples\n"
                 "  --rate HZ               converted to HZ (8000..192000), round(frames x HZ / rate) long\n"
                 "  --mono, --channels N    1 mixes the channels down; 2..8 carry the stream in the front\n"
                 "                          pair (mono in both), the others silent\n"
                 "  --raw                   the samples alone, little-endian, no header: OUT.raw, OUT.pcm or -\n"
                 "--start and --length (seconds, 1.5, m:ss or h:mm:ss) keep only that part; --start seeks.\n"
                 "--replaygain track or album scales each file by the gain its tags state (album falls\n"
                 "back to track), held down so that the stated peak stays within full scale; off by default.\n"
                 "--plain, --sse and --3dnow pick the decoder's kernels (default: the best the CPU has).\n"
                 "With -o DIR every FILE becomes DIR/NAME.wav (NAME.raw with --raw), N at a time (-j,\n"
                 "default 1), with one line per file and a total; a file that fails does not stop the\n"
                 "others, and the exit status is then 1.\n");
}

struct ConvertOptions {
    ConvertSettings settings;
    VectorChoice vectors = VectorChoice::Best;
    std::string dir;
    long jobs = 1;
};

bool endsWith(const std::string& text, const char* tail)
{
    const std::string t = tail;
    if (text.size() < t.size())
        return false;
    return std::equal(t.rbegin(), t.rend(), text.rbegin(),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

// 0 when the output's name fits what is written, else the exit status after a message. Standard
// output and devices have no name to mislead.
int checkOutput(const std::string& input, const std::string& output, bool raw)
{
    std::error_code ec;
    if (output == "-" || (std::filesystem::exists(output, ec) && !std::filesystem::is_regular_file(output, ec)))
        return 0;
    if (sameFile(input, output))
        return failure("the output '" + output + "' is the input");
    if (raw && !endsWith(output, ".raw") && !endsWith(output, ".pcm"))
        return usageError("'" + output + "' would hold raw PCM: name it .raw or .pcm, or give - for standard output");
    if (!raw && !endsWith(output, ".wav"))
        return usageError("'" + output + "' would hold a WAV file: name it .wav (or use --raw for .raw/.pcm)");
    return 0;
}

bool readFormat(ArgReader& r, SampleFormat& format)
{
    std::string v;
    if (!r.value(v))
        return false;
    if (v == "16" || v == "24" || v == "32" || v == "float") {
        format = v == "16" ? SampleFormat::Int16
            : v == "24"    ? SampleFormat::Int24
            : v == "32"    ? SampleFormat::Int32
                           : SampleFormat::Float32;
        return true;
    }
    usageError("--bits takes 16, 24, 32 or float, not '" + v + "'");
    return false;
}

// 0 when the options are good, otherwise the exit status after a message.
int parseOptions(const std::vector<std::string>& args, ConvertOptions& o, std::vector<std::string>& paths)
{
    ConvertSettings& s = o.settings;
    for (ArgReader r(args); !r.done();) {
        bool ok = true;
        long value = 0;
        if (r.option("--offset")) {
            ok = r.integer(0, 0x7FFFFFFF, "bytes", value);
            s.offset = value;
        } else if (r.option("--volume")) {
            ok = r.integer(0, kMaxVolume, "32768 = full scale", s.volume);
        } else if (r.option("--start")) {
            ok = r.clock("--start", s.startMs);
        } else if (r.option("--length")) {
            ok = r.clock("--length", s.lengthMs);
        } else if (r.option("--bits")) {
            ok = readFormat(r, s.format);
        } else if (r.option("--rate")) {
            ok = r.integer(8000, 192000, "Hz", value);
            s.rate = uint32_t(value);
        } else if (r.option("--mono")) {
            s.channels = 1;
        } else if (r.option("--channels")) {
            ok = r.integer(1, kMaxChannels, "channels", value);
            s.channels = uint32_t(value);
        } else if (r.option("--raw")) {
            s.raw = true;
        } else if (r.option("-o")) {
            ok = r.value(o.dir);
        } else if (r.option("-j")) {
            ok = r.integer(1, 64, "workers", o.jobs);
        } else if (readVectorOption(r, o.vectors)) {
        } else if (readReplayGainOption(r, s.replayGain, ok)) {
        } else if (r.option("--no-gapless")) {
            s.gapless = false;
        } else if (const int status = r.operand(paths)) {
            return status;
        }
        if (!ok)
            return 2;
    }
    if (o.dir.empty() && paths.size() != 2)
        return usageError("give one input FILE and one OUT.wav, or FILE... -o DIR");
    if (!o.dir.empty() && paths.empty())
        return usageError("no FILE given");
    return o.dir.empty() ? checkOutput(paths[0], paths[1], s.raw) : 0;
}

int runConvert(const std::vector<std::string>& args)
{
    ConvertOptions o;
    std::vector<std::string> paths;
    if (const int status = parseOptions(args, o, paths))
        return status;
    applyVectorChoice(o.vectors);
    if (!o.dir.empty())
        return convertBatch(paths, o.dir, unsigned(o.jobs), o.settings);
    ProgressBar progress("converting");
    const ConvertResult r = convertFile(paths[0], paths[1], o.settings, &progress);
    progress.finish();
    if (!r.ok)
        return failure(r.error);
    if (paths[1] != "-")
        note(paths[1] + ": " + std::to_string(r.frames * r.channels * sampleBytes(o.settings.format)) + " bytes of "
             + sampleFormatName(o.settings.format) + ", "
             + (r.channels == 1       ? std::string("mono")
                    : r.channels == 2 ? std::string("stereo")
                                      : std::to_string(r.channels) + " channels")
             + " at " + std::to_string(r.rate) + " Hz, " + numberText(double(r.frames) / r.rate) + " s");
    return 0;
}

}  // namespace

ORVANE_COMMAND("convert", kUsage, "decode MPEG audio files to WAV or raw PCM files", runConvert, printDetails);
