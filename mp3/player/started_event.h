#pragma once

#include "platform/platform.h"

// The public started event is the platform's manual-reset event under its C name. It adds no
// members, so a pointer to it is also a pointer to its platform::Event, and OrvanePlay takes
// either as its started-event argument.
struct OrvaneEvent : platform::Event {};
