#pragma once

#include <utility>

#include "dsp/core/dsp_effect.h"
#include "platform/export_guard.h"

// The library's guard: every export's body runs through it (see platform/export_guard.h), and
// dspLastError/dspLastErrorCode read what it recorded.
struct DspLibrary;
template<class R, class Body> R dspGuard(R failure, Body&& body) noexcept
{
    return export_guard::run<DspLibrary>(failure, std::forward<Body>(body));
}
template<class Body> void dspGuard(Body&& body) noexcept
{
    export_guard::run<DspLibrary>(std::forward<Body>(body));
}

// The handle check every effect export starts with: the object when it is an effect with the
// tag; anything else (null, a chain, a WAV reader or writer, an effect of another family) is
// refused as a wrong handle.
template<class T> T* effectAs(void* handle, EffectType tag)
{
    auto* effect = DspObject::from<DspEffect>(handle, ObjectFamily::Effect);
    return export_guard::require(effect != nullptr && effect->isType(tag) ? static_cast<T*>(effect) : nullptr,
                                 "not a handle of this effect");
}

// Destroys the effect when the tag matches and no chain owns it; the shape of every term* export.
template<class T> int32_t terminateEffect(void* handle, EffectType tag)
{
    T* effect = effectAs<T>(handle, tag);
    if (effect->inChain)
        export_guard::refuse(export_guard::kBadArgument, "the effect belongs to a chain, which destroys it");
    delete effect;
    return 1;
}

// What an init* export returns for a freshly set-up effect: its handle, or null (the effect
// deleted) when there is none or its buffers could not be sized.
inline void* handedOut(DspEffect* effect)
{
    if (effect != nullptr && !effect->buffersReady) {
        delete effect;
        return nullptr;
    }
    return effect != nullptr ? DspObject::handleOf(effect) : nullptr;
}
