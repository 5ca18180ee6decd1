#include "tools/stream_input.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "platform/tool/terminal.h"

namespace {

bool startsWithNoCase(const std::string& text, const char* head)
{
    for (size_t i = 0; head[i] != '\0'; ++i)
        if (i >= text.size() || (text[i] | 0x20) != head[i])
            return false;
    return true;
}

// Standard input as it comes (binary: main sets the streams so).
class StandardInput : public StreamInput {
public:
    int64_t read(void* buffer, int64_t bytes) override
    {
        if (aborted_.load() || bytes <= 0)
            return 0;
        const size_t n = std::fread(buffer, 1, size_t(bytes), stdin);
        return n == 0 && std::ferror(stdin) ? -1 : int64_t(n);
    }
    std::string error() const override { return std::ferror(stdin) ? "standard input cannot be read" : std::string(); }
    void abort() override { aborted_.store(true); }

private:
    std::atomic<bool> aborted_{false};
};

}  // namespace

bool skipBytes(StreamInput& input, int64_t bytes)
{
    for (char scratch[4096]; bytes > 0;) {
        const int64_t n = input.read(scratch, std::min<int64_t>(bytes, int64_t(sizeof scratch)));
        if (n <= 0)
            return false;
        bytes -= n;
    }
    return true;
}

bool isUrl(const std::string& name)
{
    return startsWithNoCase(name, "http://") || startsWithNoCase(name, "https://");
}

bool isStreamName(const std::string& name)
{
    return name == "-" || isUrl(name);
}

std::string streamLabel(const std::string& name)
{
    return name == "-" ? "standard input" : "'" + name + "'";
}

std::unique_ptr<StreamInput> openStreamInput(const std::string& name, std::string& error)
{
    if (name == "-") {
        // Keys come from a terminal there, not audio.
        if (platform::isTerminal(platform::StandardStream::In))
            return error = "standard input is a terminal: send MPEG audio to it through a pipe or a redirection",
                   nullptr;
        return std::make_unique<StandardInput>();
    }
    return openHttpStream(name, error);
}
