#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "orvane/dsp.h"
#include "tools/command.h"
#include "tools/eq_measure.h"

namespace {

const double kDefaultFrequencies[] = {31.25, 62.5, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};

int usage()
{
    std::fprintf(stderr,
                 "usage: orvane eq [--rate HZ] [--master DB] [--at F,F,...] BAND...\n"
                 "Prints the measured gain in dB of a graphic equaliser at each frequency (default: octaves\n"
                 "from 31.25 Hz to 16 kHz). BAND is FREQ_HZ:GAIN_DB[:ZERO_RADIUS[:POLE_RADIUS]], radii default\n"
                 "0.9 and 0.99. Each value comes from a tone run through doGraphicEQ.\n");
    return 2;
}

bool parseNumber(const std::string& text, double& out)
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
        if (!parseNumber(text.substr(start, next == std::string::npos ? std::string::npos : next - start), v))
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
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--help" || a == "-h") {
            usage();
            return 0;
        }
        if (a == "--rate" && hasValue) {
            if (!parseNumber(args[++i], rate) || rate < 1000.0 || rate > 384000.0)
                return std::fprintf(stderr, "orvane eq: --rate must be 1000..384000 Hz\n"), 2;
        } else if (a == "--master" && hasValue) {
            if (!parseNumber(args[++i], master))
                return std::fprintf(stderr, "orvane eq: --master needs a number of dB\n"), 2;
        } else if (a == "--at" && hasValue) {
            if (!parseList(args[++i], ',', freqs))
                return std::fprintf(stderr, "orvane eq: --at needs frequencies like 100,1000\n"), 2;
        } else {
            std::vector<double> v;
            if (!parseList(a, ':', v) || v.size() < 2 || v.size() > 4)
                return std::fprintf(stderr, "orvane eq: bad band '%s'\n", a.c_str()), usage();
            bands.push_back(GraphicEQBandParams{float(v[0]), float(v[1]), float(v.size() > 2 ? v[2] : 0.9),
                                                float(v.size() > 3 ? v[3] : 0.99)});
        }
    }
    if (bands.empty())
        return usage();
    for (double f : freqs) {
        if (f <= 0.0 || f >= rate / 2.0)
            return std::fprintf(stderr, "orvane eq: %g Hz is not between 0 and half the rate\n", f), 2;
    }
    std::printf("# frequency_hz gain_db\n");
    for (double f : freqs) {
        double db = 0.0;
        if (!measureGraphicEq(bands, master, uint32_t(rate), f, db))
            return std::fprintf(stderr, "orvane eq: the equaliser rejected these bands\n"), 1;
        std::printf("%g %.2f\n", f, db);
    }
    return 0;
}

}  // namespace

ORVANE_COMMAND("eq", "[--rate HZ] [--master DB] [--at F,F,...] FREQ:GAIN[:ZERO:POLE]...",
               "measured response in dB of a graphic equaliser", runEq);
