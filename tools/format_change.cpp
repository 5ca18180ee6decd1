#include "tools/format_change.h"

std::string formatChangeNotice(const std::string& path, uint32_t changes, uint32_t rate, uint32_t channels)
{
    return "'" + path + "' changes format mid-stream (" + std::to_string(changes)
        + (changes == 1 ? " change" : " changes") + "): later parts are converted to the first part's "
        + std::to_string(rate) + " Hz " + (channels == 1 ? "mono" : "stereo");
}
