#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "orvane/mp3.h"
#include "orvane/norv.h"
#include "platform/tool/files.h"
#include "tools/audio_file.h"
#include "tools/cli.h"
#include "tools/command.h"
#include "tools/convert_batch.h"
#include "tools/play_session.h"
#include "tools/progress.h"
#include "tools/wav_files.h"

namespace {

const char* const kUsage = "FILE OUT.wav|- | FILE... -o DIR [-j N]; [--start TIME] [--length TIME] [--offset BYTES]"
                           " [--volume 0..65536] [--plain|--sse|--3dnow] [--no-gapless]";
// Twice full scale: louder settings only clip.
constexpr long kMaxVolume = 65536;

void printDetails(FILE* out)
{
    std::fprintf(out,
                 "Decodes FILE to OUT.wav (\"-\": standard output) as 16-bit PCM, without the encoder's delay and\n"
                 "padding where the file states them (--no-gapless keeps every decoded sample). --start and\n"
                 "--length (seconds, 1.5, m:ss or h:mm:ss) keep only that part. With -o DIR every FILE becomes\n"
                 "DIR/NAME.wav, N at a time (-j, default 1), with one line per file and a total; a file that\n"
                 "fails does not stop the others, and the exit status is then 1.\n");
}

struct ConvertOptions {
    long offset = 0;
    long volume = 32768;
    VectorChoice vectors = VectorChoice::Best;
    bool gapless = true;
    long startMs = 0;
    long lengthMs = -1;  // -1: to the end
    std::string dir;
    long jobs = 1;
    // The options above as a copy of this program is given them (batch conversion).
    std::vector<std::string> passOn;
};

bool copyToStdout(const char* path)
{
    FILE* in = std::fopen(path, "rb");
    if (in == nullptr)
        return false;
    char buffer[65536];
    size_t n = 0;
    bool ok = true;
    while (ok && (n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        ok = std::fwrite(buffer, 1, n, stdout) == n;
    std::fclose(in);
    return ok && std::fflush(stdout) == 0;
}

// Frames in ms milliseconds at rate, to the nearest.
uint64_t framesOf(long ms, uint32_t rate)
{
    return (uint64_t(ms) * rate + 500) / 1000;
}

// Writes the frames of the WAV file from that lie in the options' start and length to path ("-":
// standard output), sample for sample as they are.
int cutWav(const std::string& from, const std::string& path, const ConvertOptions& o)
{
    std::string error;
    const auto in = openAudio(from, error);
    if (in == nullptr)
        return failure(error);
    const uint64_t first = framesOf(o.startMs, in->rate());
    if (first >= in->frames())
        return failure("--start is past the end of the audio (" + numberText(double(in->frames()) / in->rate())
                       + " s)");
    uint64_t left = o.lengthMs < 0 ? in->frames() - first : framesOf(o.lengthMs, in->rate());
    const auto out = AudioWriter::create(path, in->rate(), in->channels(), 16, error);
    if (out == nullptr)
        return failure(error);
    std::vector<float> block(size_t(4096) * in->channels());
    for (uint64_t skip = first; skip > 0;) {
        const int64_t n = in->read(block.data(), uint32_t(std::min<uint64_t>(skip, 4096)));
        if (n <= 0)
            return failure("cannot read back the conversion");
        skip -= uint64_t(n);
    }
    while (left > 0) {
        const int64_t n = in->read(block.data(), uint32_t(std::min<uint64_t>(left, 4096)));
        if (n < 0)
            return failure("cannot read back the conversion");
        if (n == 0)
            break;
        if (!out->write(block.data(), uint32_t(n), error))
            return failure(error);
        left -= uint64_t(n);
    }
    return out->close(error) ? 0 : failure(error);
}

// One conversion through the library's player in convert mode, which writes the WAV file itself.
int convertOne(const std::string& input, const std::string& output, const ConvertOptions& o)
{
    if (sameFile(input, output))
        return failure("the output '" + output + "' is the input");
    if (FILE* probe = std::fopen(input.c_str(), "rb"))
        std::fclose(probe);
    else
        return failure("cannot open '" + input + "': " + std::strerror(errno));
    applyVectorChoice(o.vectors);
    OrvaneSetVolume(int32_t(o.volume));
    OrvaneEnableGapless(o.gapless ? 1 : 0);
    // The converter patches the sizes when it closes, which a pipe cannot take, and a part is cut
    // from a whole conversion: then the file is made aside first.
    const bool cut = o.startMs > 0 || o.lengthMs >= 0;
    const bool aside = cut || output == "-";
    std::string spool;
    if (aside && !platform::createTemporaryFile("orvane-convert", spool))
        return failure(std::string("cannot make a temporary file: ") + std::strerror(errno));
    const std::string target = aside ? spool : output;
    // The converter creates the file only with its first block and cannot report a failure then.
    if (FILE* probe = std::fopen(target.c_str(), "wb"))
        std::fclose(probe);
    else
        return failure("cannot create '" + target + "': " + std::strerror(errno));
    if (NORVSetOutputFile(target.c_str()) != 1)
        return failure("cannot write to '" + target + "'");

    ProgressBar progress("converting");
    PlaySession session(input, int32_t(o.offset), true);
    // The bar moves every 50 ms; the wait ends as soon as the conversion does.
    while (!session.waitFinished(50))
        progress.update(uint64_t(OrvaneWhere() * 1000.0f), 1000);
    const int32_t result = session.wait();
    const uint32_t bytes = NORVClose();
    const int error = NORVLastError();
    if (result != 1 || error != 0 || bytes == 0xFFFFFFFFu || bytes == 0) {
        progress.finish();
        // The probe above created the file: a failed run leaves nothing that looks converted.
        removePartialOutput(target);
        return failure(result == -1                             ? "'" + input + "' is not MPEG audio"
                           : error != 0 || bytes == 0xFFFFFFFFu ? writeError(target, error)
                           : result == 0                        ? "the conversion output could not be set up"
                                                                : "no audio could be decoded");
    }
    progress.update(1, 1);
    progress.finish();
    if (!aside) {
        note(output + ": " + std::to_string(bytes) + " bytes of 16-bit PCM");
        return 0;
    }
    int status = 0;
    if (cut)
        status = cutWav(spool, output, o);
    else if (!copyToStdout(spool.c_str()))
        status = failure("write error on standard output");
    std::remove(spool.c_str());
    return status;
}

// 0 when the options are good, otherwise the exit status after a message.
int parseOptions(const std::vector<std::string>& args, ConvertOptions& o, std::vector<std::string>& paths)
{
    auto seconds = [](long ms) { return numberText(double(ms) / 1000.0); };
    for (ArgReader r(args); !r.done();) {
        bool ok = true;
        if (r.option("--offset")) {
            ok = r.integer(0, 0x7FFFFFFF, "bytes", o.offset);
            o.passOn.insert(o.passOn.end(), {"--offset", std::to_string(o.offset)});
        } else if (r.option("--volume")) {
            ok = r.integer(0, kMaxVolume, "32768 = full scale", o.volume);
            o.passOn.insert(o.passOn.end(), {"--volume", std::to_string(o.volume)});
        } else if (r.option("--start")) {
            ok = r.clock("--start", o.startMs);
            o.passOn.insert(o.passOn.end(), {"--start", seconds(o.startMs)});
        } else if (r.option("--length")) {
            ok = r.clock("--length", o.lengthMs);
            o.passOn.insert(o.passOn.end(), {"--length", seconds(o.lengthMs)});
        } else if (r.option("-o")) {
            ok = r.value(o.dir);
        } else if (r.option("-j")) {
            ok = r.integer(1, 64, "workers", o.jobs);
        } else if (readVectorOption(r, o.vectors)) {
            o.passOn.push_back(o.vectors == VectorChoice::Plain     ? "--plain"
                                   : o.vectors == VectorChoice::Sse ? "--sse"
                                                                    : "--3dnow");
        } else if (r.option("--no-gapless")) {
            o.gapless = false;
            o.passOn.push_back("--no-gapless");
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
    return 0;
}

int runConvert(const std::vector<std::string>& args)
{
    ConvertOptions o;
    std::vector<std::string> paths;
    if (const int status = parseOptions(args, o, paths))
        return status;
    if (!o.dir.empty())
        return convertBatch(paths, o.dir, unsigned(o.jobs), o.passOn);
    return convertOne(paths[0], paths[1], o);
}

}  // namespace

ORVANE_COMMAND("convert", kUsage, "decode MPEG audio files to 16-bit WAV files", runConvert, printDetails);
