#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "orvane/dsp.h"
#include "tools/cli.h"
#include "tools/command.h"
#include "tools/eq_measure.h"

namespace {

const double kDefaultFrequencies[] = {31.25, 62.5, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};

void printDetails(FILE* out)
{
    std::fprintf(out,
                 "Prints the measured gain in dB of the library's graphic equaliser at each frequency\n"
                 "(default: octaves from 31.25 Hz to 16 kHz). BAND is FREQ_HZ:GAIN_DB[:ZERO_RADIUS[:POLE_RADIUS]],\n"
                 "radii default 0.9 and 0.99. Each value comes from a tone run through doGraphicEQ.\n"
                 "gain_db is the equaliser's own output level against its input; its bands are resonators\n"
                 "added in parallel, so even at 0 dB they raise their region by tens of dB. relative_db is\n"
                 "what the settings change: the gain against the same bands all at 0 dB (master gain\n"
                 "included), the response a listener hears once the equaliser's level is matched.\n");
}

bool readNumber(const std::string& text, double& out)
{
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && errno == 0 && std::isfinite(out);
}

bool parseList(const std::string& text, char sep, std::vector<double>& out)
{
    out.clear();
    size_t start = 0;
    while (true) {
        const size_t next = text.find(sep, start);
        double v = 0.0;
        if (!readNumber(text.substr(start, next == std::string::npos ? std::string::npos : next - start), v))
            return false;
        out.push_back(v);
        if (next == std::string::npos)
            return true;
        start = next + 1;
    }
}

int runEq(const std::vector<std::string>& args)
{
    double rate = 44100.0, master = 0.0;
    std::vector<double> freqs(std::begin(kDefaultFrequencies), std::end(kDefaultFrequencies));
    std::vector<GraphicEQBandParams> bands;
    for (ArgReader r(args); !r.done();) {
        std::string text;
        if (r.option("--rate")) {
            if (!r.number(1000, 384000, "Hz", rate))
                return 2;
        } else if (r.option("--master")) {
            if (!r.number(-120, 120, "dB", master))
                return 2;
        } else if (r.option("--at")) {
            if (!r.value(text))
                return 2;
            if (!parseList(text, ',', freqs))
                return usageError("--at needs frequencies like 100,1000, not '" + text + "'");
        } else if (r.isOption() && !std::isdigit(static_cast<unsigned char>(r.current()[1]))) {
            return usageError("unknown option '" + r.current() + "'");
        } else {
            std::vector<double> v;
            if (!parseList(r.current(), ':', v) || v.size() < 2 || v.size() > 4)
                return usageError("bad band '" + r.current() + "' (FREQ_HZ:GAIN_DB[:ZERO[:POLE]])");
            bands.push_back(GraphicEQBandParams{float(v[0]), float(v[1]), float(v.size() > 2 ? v[2] : 0.9),
                                                float(v.size() > 3 ? v[3] : 0.99)});
            r.skip();
        }
    }
    if (bands.empty())
        return usageError("no BAND given");
    for (double f : freqs) {
        if (f <= 0.0 || f >= rate / 2.0)
            return usageError(numberText(f) + " Hz is not between 0 and half the rate");
    }
    std::vector<GraphicEQBandParams> flat = bands;
    for (GraphicEQBandParams& b : flat)
        b.gain = 0.0f;
    std::printf("# frequency_hz gain_db relative_db\n");
    for (double f : freqs) {
        double db = 0.0, flatDb = 0.0;
        if (!measureGraphicEq(bands, master, uint32_t(rate), f, db)
            || !measureGraphicEq(flat, 0.0, uint32_t(rate), f, flatDb))
            return failure("the equaliser rejected these bands");
        std::printf("%g %.2f %.2f\n", f, db, db - flatDb);
    }
    return 0;
}

}  // namespace

ORVANE_COMMAND("eq", "[--rate HZ] [--master DB] [--at F,F,...] FREQ:GAIN[:ZERO:POLE]...",
               "measured response in dB of a graphic equaliser", runEq, printDetails);
