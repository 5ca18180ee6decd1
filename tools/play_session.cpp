#include "tools/play_session.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "orvane/mp3.h"

PlaySession::PlaySession(const std::string& path, int32_t offset, bool convert)
{
    thread_ = std::thread([this, path, offset, convert] {
        result_.store(OrvanePlay(path.c_str(), started_.handle(), offset, convert ? 1 : 0));
        done_.store(true);
        started_.set();
    });
}

PlaySession::~PlaySession()
{
    if (thread_.joinable()) {
        OrvaneStop();
        thread_.join();
    }
}

int32_t PlaySession::wait()
{
    if (thread_.joinable())
        thread_.join();
    return result_.load();
}

bool parseInt(const std::string& text, long low, long high, long& value, const char* what)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < low || v > high) {
        std::fprintf(stderr, "orvane: bad %s '%s' (expected %ld..%ld)\n", what, text.c_str(), low, high);
        return false;
    }
    value = v;
    return true;
}

bool parseFloat(const std::string& text, float& value, const char* what)
{
    char* end = nullptr;
    const float v = std::strtof(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v)) {
        std::fprintf(stderr, "orvane: bad %s '%s'\n", what, text.c_str());
        return false;
    }
    value = v;
    return true;
}

std::string formatTime(int64_t ms)
{
    if (ms < 0)
        ms = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(ms / 60000),
                  static_cast<long long>(ms / 1000 % 60));
    return text;
}
