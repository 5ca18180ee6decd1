#include "tools/cli.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

Verbosity gLevel = Verbosity::normal;
std::string gCommand = "orvane";

}  // namespace

void setVerbosity(Verbosity level)
{
    gLevel = level;
}

Verbosity verbosity()
{
    return gLevel;
}

void setCommandName(const std::string& name)
{
    gCommand = "orvane " + name;
}

int usageError(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", gCommand.c_str(), message.c_str());
    return 2;
}

int failure(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", gCommand.c_str(), message.c_str());
    return 1;
}

void warning(const std::string& message)
{
    std::fprintf(stderr, "%s: warning: %s\n", gCommand.c_str(), message.c_str());
}

void note(const std::string& message)
{
    if (gLevel != Verbosity::quiet)
        std::fprintf(stderr, "%s\n", message.c_str());
}

std::string numberText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

bool decimalNumber(const std::string& text, double& out)
{
    const auto digits = [&](size_t& i) {
        const size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        return i - start;
    };
    size_t i = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
    size_t mantissa = digits(i);
    if (i < text.size() && text[i] == '.')
        mantissa += digits(++i);
    if (mantissa == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (digits(i) == 0)
            return false;
    }
    if (i != text.size())
        return false;
    errno = 0;
    const double v = std::strtod(text.c_str(), nullptr);
    if (errno != 0 || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

bool parseNumber(const std::string& text, double min, double max, const char* what, double& out)
{
    double v = 0;
    if (!decimalNumber(text, v) || v < min || v > max) {
        usageError(std::string(what) + " must be a number in " + numberText(min) + ".." + numberText(max) + ", not '"
                   + text + "'");
        return false;
    }
    out = v;
    return true;
}

bool parseInteger(const std::string& text, long min, long max, const char* what, long& out)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < min || v > max) {
        usageError(std::string(what) + " must be a whole number in " + std::to_string(min) + ".." + std::to_string(max)
                   + ", not '" + text + "'");
        return false;
    }
    out = v;
    return true;
}

bool ArgReader::option(const char* name)
{
    if (done() || args_[index_] != name)
        return false;
    last_ = name;
    ++index_;
    return true;
}

bool ArgReader::value(std::string& out)
{
    if (done()) {
        usageError(last_ + " needs a value");
        return false;
    }
    out = args_[index_++];
    return true;
}

bool ArgReader::number(double min, double max, const char* what, double& out)
{
    std::string text;
    return value(text) && parseNumber(text, min, max, (last_ + " (" + what + ")").c_str(), out);
}

bool ArgReader::integer(long min, long max, const char* what, long& out)
{
    std::string text;
    return value(text) && parseInteger(text, min, max, (last_ + " (" + what + ")").c_str(), out);
}

int ArgReader::operand(std::vector<std::string>& operands)
{
    if (isOption())
        return usageError("unknown option '" + current() + "'");
    operands.push_back(args_[index_++]);
    return 0;
}

bool parseClock(const std::string& text, long& ms)
{
    double total = 0;
    size_t start = 0;
    for (int field = 0; field < 3; ++field) {
        const size_t colon = text.find(':', start);
        const std::string part = text.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        char* end = nullptr;
        const double v = std::strtod(part.c_str(), &end);
        // Minutes and seconds after a colon stay below 60.
        if (part.empty() || *end != '\0' || !(v >= 0) || (field > 0 && v >= 60))
            return false;
        total = total * 60 + v;
        if (colon == std::string::npos) {
            // Checked before the conversion: an infinite or huge count has no long value.
            if (!(total <= 7 * 86400.0))
                return false;
            ms = long(std::lround(total * 1000));
            return true;
        }
        start = colon + 1;
    }
    return false;
}

bool ArgReader::clock(const char* name, long& ms)
{
    std::string text;
    if (!value(text))
        return false;
    if (!parseClock(text, ms))
        return usageError(std::string(name) + " needs seconds, m:ss or h:mm:ss, not '" + text + "'"), false;
    return true;
}
