#pragma once

#include <utility>

#include "platform/export_guard.h"

// libmp3's guard: every export's body runs through it (see platform/export_guard.h), and
// OrvaneLastError/OrvaneLastErrorCode read what it recorded.
struct Mp3Library;
template<class R, class Body> R mp3Guard(R failure, Body&& body) noexcept
{
    return export_guard::run<Mp3Library>(failure, std::forward<Body>(body));
}
template<class Body> void mp3Guard(Body&& body) noexcept
{
    export_guard::run<Mp3Library>(std::forward<Body>(body));
}
