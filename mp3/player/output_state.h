#pragma once

#include <cstdint>

// Output state word of a play, shared by the decoding, output and host threads.
enum class OutputState : int32_t { Drained = -1, Idle = 0, Playing = 1, Paused = 2, Seeking = 3 };
