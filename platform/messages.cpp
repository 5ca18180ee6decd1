#include "platform/platform.h"

#include "platform/show_message.h"

namespace platform {

namespace {
std::mutex messageMutex;
MessageHandler messageHandler = nullptr;
void* messageContext = nullptr;
bool messageQuiet = false;
}  // namespace

void messageBox(const char* caption, const char* text)
{
    std::lock_guard<std::mutex> lock(messageMutex);
    if (!messageQuiet)
        showMessage(caption, text);
    if (messageHandler)
        messageHandler(caption, text, messageContext);
}

MessageHandler setMessageHandler(MessageHandler handler, void* context)
{
    std::lock_guard<std::mutex> lock(messageMutex);
    MessageHandler previous = messageHandler;
    messageHandler = handler;
    messageContext = context;
    return previous;
}

void setMessageQuiet(bool quiet)
{
    std::lock_guard<std::mutex> lock(messageMutex);
    messageQuiet = quiet;
}

}  // namespace platform
