#pragma once

#include "dsp/core/dsp_effect.h"

// The handle check every effect export starts with: the object when it is an effect with the
// tag, else null (null, a chain, a WAV reader or writer, or an effect of another family).
template<class T> T* effectAs(void* handle, EffectType tag)
{
    auto* effect = DspObject::from<DspEffect>(handle, ObjectFamily::Effect);
    return effect != nullptr && effect->isType(tag) ? static_cast<T*>(effect) : nullptr;
}

// Destroys the effect when the tag matches and no chain owns it; the shape of every term* export.
template<class T> int32_t terminateEffect(void* handle, EffectType tag)
{
    T* effect = effectAs<T>(handle, tag);
    if (effect == nullptr || effect->inChain)
        return 0;
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
