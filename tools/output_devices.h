#pragma once

#include <string>
#include <vector>

#include "orvane/tessor.h"

// The system's output devices, as tessor lists them (the sound libraries' chatter on standard
// error held back unless -v).
std::vector<TessorDevice> outputDevices();

// The device a --device value names: a number as it is (-1 the default), otherwise the one device
// whose name holds the text (case ignored; an exact name wins). False after a message naming
// what matched, or that nothing did.
bool findOutputDevice(const std::string& text, long& device);
