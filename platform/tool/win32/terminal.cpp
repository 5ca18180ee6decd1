#include "platform/tool/terminal.h"

#include <cstdio>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace platform {

namespace {

// Consoles answer GetConsoleMode; files, pipes and the null device do not.
bool isConsole(DWORD which, DWORD* mode = nullptr)
{
    DWORD m = 0;
    const HANDLE h = GetStdHandle(which);
    const bool console = h != nullptr && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &m) != 0;
    if (mode != nullptr)
        *mode = m;
    return console;
}

}  // namespace

bool isTerminal(StandardStream stream)
{
    return isConsole(stream == StandardStream::In        ? STD_INPUT_HANDLE
                         : stream == StandardStream::Out ? STD_OUTPUT_HANDLE
                                                         : STD_ERROR_HANDLE);
}

size_t terminalColumns()
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info))
        return 0;
    return size_t(info.srWindow.Right - info.srWindow.Left + 1);
}

size_t terminalRows()
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info))
        return 0;
    return size_t(info.srWindow.Bottom - info.srWindow.Top + 1);
}

bool terminalUsesUtf8()
{
    return GetConsoleOutputCP() == CP_UTF8;
}

void useBinaryStandardStreams()
{
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}

struct TerminalKeys::State {
    DWORD inputMode;
    DWORD outputMode;
    bool outputConsole;
};

TerminalKeys::TerminalKeys()
{
    DWORD in = 0, out = 0;
    if (!isConsole(STD_INPUT_HANDLE, &in))
        return;
    const bool outputConsole = isConsole(STD_OUTPUT_HANDLE, &out);
    state_ = std::make_unique<State>(State{in, out, outputConsole});
    SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), in & ~DWORD(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT));
    // The status line rewrites itself with escape sequences; older consoles refuse and show them.
    if (outputConsole)
        SetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE),
                       out | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

TerminalKeys::~TerminalKeys()
{
    if (state_ == nullptr)
        return;
    SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), state_->inputMode);
    if (state_->outputConsole)
        SetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), state_->outputMode);
}

std::vector<int> TerminalKeys::read(int timeoutMs)
{
    std::vector<int> keys;
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    if (state_ == nullptr || WaitForSingleObject(in, timeoutMs < 0 ? INFINITE : DWORD(timeoutMs)) != WAIT_OBJECT_0)
        return keys;
    INPUT_RECORD records[64];
    DWORD count = 0;
    // The wait also ends for mouse, focus and size events, which carry no key.
    if (!ReadConsoleInputA(in, records, 64, &count))
        return keys;
    for (DWORD i = 0; i < count; ++i) {
        if (records[i].EventType != KEY_EVENT || !records[i].Event.KeyEvent.bKeyDown)
            continue;
        const KEY_EVENT_RECORD& k = records[i].Event.KeyEvent;
        int key = 0;
        switch (k.wVirtualKeyCode) {
        case VK_LEFT:
            key = kLeft;
            break;
        case VK_RIGHT:
            key = kRight;
            break;
        case VK_UP:
            key = kUp;
            break;
        case VK_DOWN:
            key = kDown;
            break;
        default:
            key = static_cast<unsigned char>(k.uChar.AsciiChar);
            break;
        }
        for (WORD r = 0; key != 0 && r < k.wRepeatCount; ++r)
            keys.push_back(key);
    }
    return keys;
}

MutedStandardError::MutedStandardError()
{
    const int null = _open("NUL", _O_WRONLY);
    if (null < 0)
        return;
    std::fflush(stderr);
    saved_ = _dup(_fileno(stderr));
    if (saved_ >= 0 && _dup2(null, _fileno(stderr)) != 0) {
        _close(saved_);
        saved_ = -1;
    }
    _close(null);
}

void MutedStandardError::release()
{
    if (saved_ < 0)
        return;
    std::fflush(stderr);
    _dup2(saved_, _fileno(stderr));
    _close(saved_);
    saved_ = -1;
}

}  // namespace platform
