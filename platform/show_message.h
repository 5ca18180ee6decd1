// Shows a message to the user the platform's own way; messages.cpp decides whether to call it.
#pragma once

namespace platform {

void showMessage(const char* caption, const char* text);

}  // namespace platform
