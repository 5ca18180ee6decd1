#pragma once

#include <utility>

#include "platform/export_guard.h"

// tessor's guard: every export's body runs through it (see platform/export_guard.h).
struct TessorLibrary;
template<class R, class Body> R tessorGuard(R failure, Body&& body) noexcept
{
    return export_guard::run<TessorLibrary>(failure, std::forward<Body>(body));
}
template<class Body> void tessorGuard(Body&& body) noexcept
{
    export_guard::run<TessorLibrary>(std::forward<Body>(body));
}
