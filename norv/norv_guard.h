#pragma once

#include <utility>

#include "platform/export_guard.h"

// norv's guard: every export's body runs through it (see platform/export_guard.h).
struct NorvLibrary;
template<class R, class Body> R norvGuard(R failure, Body&& body) noexcept
{
    return export_guard::run<NorvLibrary>(failure, std::forward<Body>(body));
}
template<class Body> void norvGuard(Body&& body) noexcept
{
    export_guard::run<NorvLibrary>(std::forward<Body>(body));
}
