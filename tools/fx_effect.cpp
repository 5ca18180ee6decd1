#include "tools/fx_effect.h"

#include <algorithm>

#include "tools/cli.h"

namespace {

std::vector<FxEffect>& registry()
{
    static std::vector<FxEffect> list;
    return list;
}

}  // namespace

bool FxArgs::number(size_t index, double fallback, double min, double max, const char* what, double& out,
                    std::string& error) const
{
    if (index >= values_.size() || values_[index].empty()) {
        out = fallback;
        return true;
    }
    const std::string& v = values_[index];
    double value = 0;
    if (!decimalNumber(v, value)) {
        error = std::string(what) + ": '" + v + "' is not a number";
        return false;
    }
    if (value < min || value > max) {
        error = std::string(what) + ": " + v + " is outside " + numberText(min) + ".." + numberText(max);
        return false;
    }
    out = value;
    return true;
}

std::string FxArgs::text(size_t index, const std::string& fallback) const
{
    return index < values_.size() && !values_[index].empty() ? values_[index] : fallback;
}

bool registerFxEffect(const FxEffect& effect)
{
    registry().push_back(effect);
    return true;
}

std::vector<FxEffect> fxEffects()
{
    std::vector<FxEffect> list = registry();
    std::sort(list.begin(), list.end(),
              [](const FxEffect& a, const FxEffect& b) { return std::string(a.name) < b.name; });
    return list;
}

const FxEffect* findFxEffect(const std::string& name)
{
    for (const FxEffect& e : registry())
        if (name == e.name)
            return &e;
    return nullptr;
}

void splitFxSpec(const std::string& effectSpec, std::string& name, std::vector<std::string>& args)
{
    args.clear();
    const size_t colon = effectSpec.find(':');
    name = effectSpec.substr(0, colon);
    if (colon == std::string::npos)
        return;
    std::string rest = effectSpec.substr(colon + 1);
    size_t start = 0;
    while (true) {
        const size_t comma = rest.find(',', start);
        args.push_back(rest.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
}
