#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "orvane/mp3.h"

// Runs OrvanePlay on a thread of its own, as a host application does, and reports its result.
class PlaySession {
public:
    PlaySession(const std::string& path, int32_t offset, bool convert);
    ~PlaySession();
    PlaySession(const PlaySession&) = delete;
    PlaySession& operator=(const PlaySession&) = delete;

    bool finished() const { return done_.load(); }
    // Waits for OrvanePlay to return and gives its result.
    int32_t wait();
    // Waits up to timeoutMs for the output to be set up; true once it is (or the play ended).
    bool waitStarted(uint32_t timeoutMs) { return OrvaneEventWait(started_, timeoutMs) == 1 || finished(); }
    // Waits up to timeoutMs for OrvanePlay to return; true once it has.
    bool waitFinished(uint32_t timeoutMs) { return OrvaneEventWait(finishedEvent_, timeoutMs) == 1 || finished(); }

private:
    // The library's events, as a host hands them to OrvanePlay.
    OrvaneEvent* started_ = OrvaneEventCreate();
    OrvaneEvent* finishedEvent_ = OrvaneEventCreate();
    std::atomic<bool> done_{false};
    std::atomic<int32_t> result_{0};
    std::thread thread_;
};

// "m:ss" for a duration in milliseconds.
std::string formatTime(int64_t ms);

// The decoder's kernels: --plain, --sse or --3dnow, and without any the best the CPU has.
enum class VectorChoice { Best, Plain, Sse, ThreeDNow };
class ArgReader;
// True (choice set, option consumed) when the reader stands on one of the three options.
bool readVectorOption(ArgReader& r, VectorChoice& choice);
// Sets the library's vector switches for the choice.
void applyVectorChoice(VectorChoice choice);

// --replaygain track|album: the mode the library's ReplayGain switches take (1 track, 2 album).
// False when the reader does not stand on the option; ok is false after a message on a bad value.
bool readReplayGainOption(ArgReader& r, int32_t& mode, bool& ok);
