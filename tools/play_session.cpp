#include "tools/play_session.h"

#include <cstdio>

#include "orvane/mp3.h"
#include "tools/cli.h"

PlaySession::PlaySession(const std::string& path, int32_t offset, bool convert)
{
    thread_ = std::thread([this, path, offset, convert] {
        result_.store(OrvanePlay(path.c_str(), started_, offset, convert ? 1 : 0));
        done_.store(true);
        OrvaneEventSet(started_);
        OrvaneEventSet(finishedEvent_);
    });
}

PlaySession::~PlaySession()
{
    if (thread_.joinable()) {
        OrvaneStop();
        thread_.join();
    }
    OrvaneEventDestroy(started_);
    OrvaneEventDestroy(finishedEvent_);
}

int32_t PlaySession::wait()
{
    if (thread_.joinable())
        thread_.join();
    return result_.load();
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

bool readVectorOption(ArgReader& r, VectorChoice& choice)
{
    if (r.option("--plain"))
        choice = VectorChoice::Plain;
    else if (r.option("--sse"))
        choice = VectorChoice::Sse;
    else if (r.option("--3dnow"))
        choice = VectorChoice::ThreeDNow;
    else
        return false;
    return true;
}

bool readReplayGainOption(ArgReader& r, int32_t& mode, bool& ok)
{
    if (!r.option("--replaygain"))
        return false;
    std::string v;
    ok = r.value(v);
    if (ok && v != "track" && v != "album") {
        usageError("--replaygain takes track or album, not '" + v + "'");
        ok = false;
    }
    mode = v == "album" ? 2 : 1;
    return true;
}

void applyVectorChoice(VectorChoice choice)
{
    OrvaneEnableAVX2(choice == VectorChoice::Best ? 1 : 0);
    OrvaneEnableSSE(choice == VectorChoice::Best || choice == VectorChoice::Sse ? 1 : 0);
    OrvaneEnable3dnow(choice == VectorChoice::ThreeDNow ? 1 : 0);
}
