#include "tessor/output_choice.h"

bool parseOutputChoice(const char* text, OutputChoice& choice)
{
    if (text == nullptr)
        return false;
    const std::string s(text);
    if (s == "device" || s == "null") {
        choice = OutputChoice{};
        choice.kind = s == "device" ? OutputChoice::Kind::Device : OutputChoice::Kind::Null;
        return true;
    }
    const std::string prefix = "capture:";
    if (s.compare(0, prefix.size(), prefix) != 0)
        return false;
    std::string path = s.substr(prefix.size());
    bool fast = false;
    const std::string fastSuffix = ",fast";
    if (path.size() >= fastSuffix.size()
        && path.compare(path.size() - fastSuffix.size(), fastSuffix.size(), fastSuffix) == 0) {
        path.resize(path.size() - fastSuffix.size());
        fast = true;
    }
    if (path.empty())
        return false;
    choice.kind = OutputChoice::Kind::Capture;
    choice.capturePath = path;
    choice.fast = fast;
    return true;
}
