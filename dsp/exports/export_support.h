#pragma once

#include "dsp/core/dsp_effect.h"

// The handle check every effect export starts with: the object when the tag matches, else null.
template <class T>
T* effectAs(void* handle, EffectType tag)
{
    auto* effect = static_cast<DspEffect*>(handle);
    return effect != nullptr && effect->isType(tag) ? static_cast<T*>(effect) : nullptr;
}

// Destroys the effect when the tag matches; the shape of every term* export.
template <class T>
int32_t terminateEffect(void* handle, EffectType tag)
{
    T* effect = effectAs<T>(handle, tag);
    if (effect == nullptr)
        return 0;
    delete effect;
    return 1;
}
