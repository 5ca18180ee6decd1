#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Effects that `orvane fx` can chain, named on the command line as NAME or NAME:ARG,ARG,...
// Each effect family registers its own in a tools/fx_<family>.cpp with ORVANE_FX_EFFECT.

// The stream an effect is created for: the largest block, channels and rate it will see first.
struct FxFormat {
    uint32_t frames;
    uint32_t channels;
    uint32_t rate;
};

// The positional arguments after "NAME:".
class FxArgs {
public:
    explicit FxArgs(std::vector<std::string> values) : values_(std::move(values)) { }
    size_t size() const { return values_.size(); }
    // Argument index as a number in [min, max], or fallback when absent or empty. On a bad
    // value, false with a message naming `what` in error.
    bool number(size_t index, double fallback, double min, double max, const char* what, double& out,
                std::string& error) const;
    // Argument index as text, or fallback when absent or empty.
    std::string text(size_t index, const std::string& fallback) const;

private:
    std::vector<std::string> values_;
};

struct FxEffect {
    const char* name;
    const char* params;   // positional arguments with units, ranges and defaults, for the help text
    const char* summary;  // one line
    // The effect handle for this format, or null with the reason in error. At most maxArgs arguments.
    void* (*create)(const FxArgs& args, const FxFormat& format, std::string& error);
    size_t maxArgs;
    // For an effect that is a shorthand for others: their specs ("NAME:ARG,..."), or none with
    // the reason in error. create is then unused.
    std::vector<std::string> (*expand)(const FxArgs& args, std::string& error) = nullptr;
    // For an effect made of several library effects run one after another: their handles in
    // order (none is a pass-through), false with the reason in error. create is then unused.
    bool (*createStages)(const FxArgs& args, const FxFormat& format, std::vector<void*>& stages, std::string& error)
        = nullptr;
};

bool registerFxEffect(const FxEffect& effect);
// Registered effects, sorted by name.
std::vector<FxEffect> fxEffects();
const FxEffect* findFxEffect(const std::string& name);

// Splits "NAME:A,B" into the name and its arguments.
void splitFxSpec(const std::string& effectSpec, std::string& name, std::vector<std::string>& args);

#define ORVANE_FX_EFFECT(...)                                                                                          \
    static const bool ORVANE_FX_CONCAT(fxRegistered_, __LINE__) = registerFxEffect(FxEffect{__VA_ARGS__})
#define ORVANE_FX_CONCAT2(a, b) a##b
#define ORVANE_FX_CONCAT(a, b) ORVANE_FX_CONCAT2(a, b)
