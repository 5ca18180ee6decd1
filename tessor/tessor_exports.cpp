#include <memory>
#include <mutex>
#include <unordered_map>

#include "orvane/tessor.h"
#include "tessor/tessor_guard.h"
#include "tessor/wave_out.h"

namespace {

// Handles are small integers naming live objects, so a stale or made-up handle is simply unknown,
// and a call racing with termWaveOut keeps its object alive until it returns.
class Registry {
public:
    int32_t add(std::shared_ptr<WaveOut> w)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        do {
            next_ = next_ == INT32_MAX ? 1 : next_ + 1;
        } while (live_.count(next_) != 0);
        live_[next_] = std::move(w);
        return next_;
    }
    std::shared_ptr<WaveOut> find(int32_t handle)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = live_.find(handle);
        return it == live_.end() ? nullptr : it->second;
    }
    std::shared_ptr<WaveOut> remove(int32_t handle)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = live_.find(handle);
        if (it == live_.end())
            return nullptr;
        auto w = std::move(it->second);
        live_.erase(it);
        return w;
    }

private:
    std::mutex mutex_;
    std::unordered_map<int32_t, std::shared_ptr<WaveOut>> live_;
    int32_t next_ = 0;
};

Registry& registry()
{
    static Registry r;
    return r;
}

template<class Change> int32_t change(int32_t handle, Change c)
{
    auto w = registry().find(handle);
    if (w == nullptr)
        return 0;
    w->changeSettings(c);
    return 1;
}

}  // namespace

extern "C" {

uint32_t getVersionWaveOut(void)
{
    return tessorGuard<uint32_t>(0, [&]() -> uint32_t { return ORVANE_VERSION; });
}

int32_t initWaveOut(void)
{
    return tessorGuard<int32_t>(0, [&]() -> int32_t { return registry().add(std::make_shared<WaveOut>()); });
}

int32_t selectOutputWaveOut(int32_t handle, int32_t kind, const char* capturePath, int32_t fast)
{
    return tessorGuard<int32_t>(0, [&]() -> int32_t {
        auto w = registry().find(handle);
        if (w == nullptr || kind < TESSOR_OUTPUT_DEVICE || kind > TESSOR_OUTPUT_CAPTURE)
            return 0;
        OutputChoice choice;
        choice.kind = static_cast<OutputChoice::Kind>(kind);
        if (kind == TESSOR_OUTPUT_CAPTURE) {
            if (capturePath == nullptr || *capturePath == '\0')
                return 0;
            choice.capturePath = capturePath;
            choice.fast = fast != 0;
        }
        return w->select(choice) ? 1 : 0;
    });
}

int32_t getOutputWaveOut(int32_t handle)
{
    return tessorGuard<int32_t>(-1, [&]() -> int32_t {
        auto w = registry().find(handle);
        return w == nullptr ? -1 : w->outputKind();
    });
}

int32_t startCaptureWaveOut(int32_t handle, int32_t, int8_t convertMode)
{
    return tessorGuard<int32_t>(0, [&]() -> int32_t {
        return change(handle, [&](TessorSettings& s) { s.captureConvertMode = convertMode != 0; });
    });
}

int32_t enableEffectWaveOut(int32_t handle, int8_t on)
{
    return tessorGuard<int32_t>(
        0, [&]() -> int32_t { return change(handle, [&](TessorSettings& s) { s.effectEnabled = on != 0; }); });
}

int32_t enableOrvane48kWaveOut(int32_t handle, int8_t on)
{
    return tessorGuard<int32_t>(
        0, [&]() -> int32_t { return change(handle, [&](TessorSettings& s) { s.output48k = on != 0; }); });
}

int32_t setHarmonicsWaveOut(int32_t handle, float amount)
{
    return tessorGuard<int32_t>(
        0, [&]() -> int32_t { return change(handle, [&](TessorSettings& s) { s.harmonics = amount; }); });
}

int32_t setSpeedWaveOut(int32_t handle, float speed)
{
    return tessorGuard<int32_t>(
        0, [&]() -> int32_t { return change(handle, [&](TessorSettings& s) { s.speed = speed; }); });
}

int32_t setPitchWaveOut(int32_t handle, float pitch)
{
    return tessorGuard<int32_t>(
        0, [&]() -> int32_t { return change(handle, [&](TessorSettings& s) { s.pitch = pitch; }); });
}

int32_t enableGraphicEQWaveOut(int32_t handle, int8_t on)
{
    return tessorGuard<int32_t>(
        0, [&]() -> int32_t { return change(handle, [&](TessorSettings& s) { s.graphicEq = on != 0; }); });
}

int32_t getSettingsWaveOut(int32_t handle, TessorSettings* out)
{
    return tessorGuard<int32_t>(0, [&]() -> int32_t {
        auto w = registry().find(handle);
        if (w == nullptr || out == nullptr)
            return 0;
        *out = w->settings();
        return 1;
    });
}

int32_t openWaveOut(int32_t handle, int32_t device, int32_t rate, int32_t channels, TessorPullCallback callback,
                    void* context, int32_t, int32_t blockBytes, int32_t blockCount)
{
    return tessorGuard<int32_t>(0, [&]() -> int32_t {
        auto w = registry().find(handle);
        return w != nullptr && w->open(device, rate, channels, callback, context, blockBytes, blockCount) ? 1 : 0;
    });
}

int32_t startWaveOut(int32_t handle)
{
    return tessorGuard<int32_t>(0, [&]() -> int32_t {
        auto w = registry().find(handle);
        return w != nullptr && w->start() ? 1 : 0;
    });
}

int32_t stopWaveOut(int32_t handle)
{
    return tessorGuard<int32_t>(0, [&]() -> int32_t {
        auto w = registry().find(handle);
        return w != nullptr && w->stop() ? 1 : 0;
    });
}

int32_t termWaveOut(int32_t handle)
{
    return tessorGuard<int32_t>(0, [&]() -> int32_t {
        auto w = registry().find(handle);
        // Ended before the handle is dropped, so a call from the output thread itself is refused.
        if (w == nullptr || !w->terminate())
            return 0;
        registry().remove(handle);
        return 1;
    });
}

int32_t getCurrentLevelWaveOut(int32_t handle, int16_t* levels)
{
    return tessorGuard<int32_t>(0, [&]() -> int32_t {
        auto w = registry().find(handle);
        return w != nullptr && w->level(levels) ? 1 : 0;
    });
}

int32_t getCurrentWaveformWaveOut(int32_t handle, int16_t* buffer, int32_t frames)
{
    return tessorGuard<int32_t>(0, [&]() -> int32_t {
        auto w = registry().find(handle);
        return w != nullptr && w->waveform(buffer, frames) ? 1 : 0;
    });
}

}  // extern "C"
