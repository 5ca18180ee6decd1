#include "tools/output_devices.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "platform/tool/terminal.h"
#include "tools/cli.h"

namespace {

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

}  // namespace

std::vector<TessorDevice> outputDevices()
{
    std::optional<platform::MutedStandardError> noise;
    if (verbosity() != Verbosity::verbose)
        noise.emplace();
    std::vector<TessorDevice> devices(size_t(std::max(getDeviceCountWaveOut(), 0)));
    for (size_t i = 0; i < devices.size(); ++i)
        if (getDeviceInfoWaveOut(int32_t(i), &devices[i]) != 1)
            devices.resize(i);
    return devices;
}

bool findOutputDevice(const std::string& text, long& device)
{
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (!text.empty() && *end == '\0') {
        if (number < -1 || number > 65536)
            return usageError("--device takes a name or a number from 'orvane devices', not " + text), false;
        device = number;
        return true;
    }
    const std::string wanted = lower(text);
    std::vector<TessorDevice> matches;
    for (const TessorDevice& d : outputDevices()) {
        if (lower(d.name) == wanted) {
            device = d.device;
            return true;
        }
        if (lower(d.name).find(wanted) != std::string::npos)
            matches.push_back(d);
    }
    if (matches.size() == 1) {
        device = matches[0].device;
        return true;
    }
    if (matches.empty())
        return usageError("no output device's name holds '" + text + "' (see 'orvane devices')"), false;
    std::string names;
    for (const TessorDevice& d : matches)
        names += std::string(names.empty() ? "" : ", ") + "'" + d.name + "'";
    return usageError("'" + text + "' names several output devices: " + names), false;
}
