// Every export of the four libraries with the calling thread's Nth allocation failing, for
// N = 1, 2, ... until a run makes no more allocations than N - 1: none may throw, crash or leak
// (AddressSanitizer watches the runs), and a failure caused by the missing memory is reported as
// such. This program replaces the global operator new, so it holds these tests alone.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "dsp/core/butterworth_cascade.h"
#include "dsp/core/envelope_follower.h"
#include "dsp/core/spectrum_frame.h"
#include "orvane/dsp.h"
#include "orvane/mp3.h"
#include "orvane/norv.h"
#include "orvane/tessor.h"
#include "support/signal.h"

namespace {

// Allocations on the armed thread count down; the one reaching zero throws. Other threads (a
// play's or an output's own) are never failed.
thread_local long countdown = -1;
thread_local bool fired = false;

void* allocate(std::size_t n)
{
    if (countdown > 0 && --countdown == 0) {
        fired = true;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(n != 0 ? n : 1))
        return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t n)
{
    return allocate(n);
}
void* operator new[](std::size_t n)
{
    return allocate(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept
{
    try {
        return allocate(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept
{
    try {
        return allocate(n);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

namespace {

// Runs scenario (which allocates nothing itself) with the Nth allocation failing for N = 1, 2, ... until it runs through; the
// number of runs. Each run starts from nothing, as the scenario creates what it uses.
int sweep(const std::function<void()>& scenario)
{
    for (long n = 1;; ++n) {
        fired = false;
        countdown = n;
        scenario();
        countdown = -1;
        if (!fired)
            return int(n);
    }
}

struct Scenario {
    const char* name;
    std::function<void()> run;
};

const std::vector<int16_t>& pcm()
{
    static const std::vector<int16_t> p = testsig::noisePcm16(2 * 1024, 5, 8000);
    return p;
}

int32_t pullSilence(float* buffer, int32_t frames, int32_t, void*)
{
    std::fill(buffer, buffer + 2 * frames, 0.0f);
    return frames;
}

std::vector<Scenario> dspScenarios(const std::string& wav, const std::string& wavOut)
{
    const int16_t* in = pcm().data();
    static std::vector<int16_t> out(2 * 1024 * 8);
    static std::vector<float> fout(2 * 1024 * 8);
    int16_t* o = out.data();
    float* f = fout.data();
    return {
        {"core",
         [=] {
             dspGetVersion();
             dspEnableMmx(0);
             dspEnableSse(1);
             dspEnable3dnow(0);
             const float x[4] = {0.5f, -0.5f, 1000.0f, 0.0f};
             dspPcmEncode(x, o, 4);
             dspPcmDecode();
             void* m = fastmemAlloc(100);
             m = fastmemRealloc(m, 5000);
             fastmemGetAllocatedSize();
             fastmemFree(m);
             dspLastError();
             dspLastErrorCode();
         }},
        {"chain",
         [=] {
             void* chain = dspCreate(1024, 2, 44100);
             // An effect the chain did not take stays the caller's; term* refuses one the chain owns.
             void* r = initResampler(1024, 2, 2, 44100, 48000, 1, 60, 60, 1);
             dspAdd(chain, r, 0);
             termResampler(r);
             void* c = initChorus(1024, 2, 44100, 2, 15, 2, 0.5f, 40, 60);
             dspAdd(chain, c, 1);
             termChorus(c);
             dspAdjust(chain, 512, 2, 22050);
             dspSend(chain, in, o, 512 * 4);
             const float fl[4] = {0.1f, 0.2f, 0.3f, 0.4f};
             dspSendFloat(chain, fl, f, 2);
             dspGetDstRate(chain);
             dspGetDstChannels(chain);
             dspGetDstSize(chain, 512);
             dspGetHandle(chain, 0);
             dspClear(chain);
             dspDestroy(chain);
         }},
        {"analysis",
         [=] {
             void* fft = initFft(512, 2, 2, 120);
             doFft(fft, in, f, 512 * 4);
             termFft(fft);
             void* an = initFftAnalyze(256, 2, 512, 1024);
             doFftAnalyze(an, in, f, 256 * 4);
             termFftAnalyze(an);
             void* env = initEnvAnalyze(256, 2, 44100);
             doEnvAnalyze(env, in, f, 256 * 4);
             termEnvAnalyze(env);
         }},
        {"wav files",
         [=] {
             void* r = initWavefileIn(wav.c_str(), 256);
             readWavefileIn(r, nullptr, 100);
             seekWavefileIn(r, 8, 1);
             timeSeekWavefileIn(r, 0.001f, 0);
             getHeaderWavefileIn(r);
             OrvaneWaveFormat* format = getFormatWavefileIn(r);
             bufSizeExtendWavefileIn(r, 1024);
             void* w = format != nullptr ? initWavefileOut(wavOut.c_str(), format) : nullptr;
             writeWavefileOut(w, in, 400);
             flushWavefileOut(w);
             getFormatWavefileOut(w);
             termWavefileOut(w);
             termWavefileIn(r);
         }},
        {"equalisers and filters",
         [=] {
             const GraphicEQBandParams bands[2] = {{100, 3, 0.9f, 0.95f}, {1000, -3, 0.9f, 0.95f}};
             void* g = initGraphicEQ(1024, 2, 44100, 2, bands, 0);
             doGraphicEQ(g, in, o, 1024 * 4);
             setGraphicEQGain(g, 1, 2);
             setGraphicEQMasterGain(g, -1);
             remakeGraphicEQBand(g, 0, 200, 0.9f, 0.95f);
             termGraphicEQ(g);
             getGraphicEQBandNormaliser(44100, 1000, 0.9f, 0.95f);
             const float gains[4] = {3, -3, 0, 2};
             void* s = initShelvingEQ(1024, 2, 44100, 4, gains, 0);
             doShelvingEQ(s, in, o, 1024 * 4);
             setShelvingEQGain(s, 2, 1);
             setShelvingEQOutputLevel(s, -2);
             termShelvingEQ(s);
             void* iir = initIirFilter(1024, 2, 44100, 4, 3000, 1);
             doIirFilter(iir, in, o, 1024 * 4);
             termIirFilter(iir);
         }},
        {"chorus and fader",
         [=] {
             void* c = initChorus(1024, 2, 44100, 3, 15, 2, 0.5f, 40, 60);
             doChorus(c, in, o, 1024 * 4);
             setChorusDelaytime(c, 10);
             setChorusDepth(c, 3);
             setChorusSpeed(c, 1);
             setChorusMix(c, 1, 30);
             setChorusOrgMix(c, 70);
             termChorus(c);
             void* fd = initFader(1024, 2, 44100, 0.5f, -3, 0);
             setFaderAction(fd, 0, 0, 0.01f, -20);
             delFaderAction(fd, 0, 0, 0.01f);
             setCrossFaderAction(fd, 0, 0.01f, -1);
             delCrossFaderAction(fd, 0, 0.01f);
             setCrossFaderCurve(fd, -1, -40, 0.05f, 0.8f);
             doFade(fd, 0, in, o, 1024 * 4);
             doCrossFade(fd, in, in, o, 1024 * 4);
             const float fl[4] = {0.1f, 0.2f, 0.3f, 0.4f};
             doCrossFadeFloat(fd, fl, fl, f, 2);
             termFader(fd);
         }},
        {"rate and time",
         [=] {
             void* r = initResampler(1024, 2, 2, 44100, 48000, 1, 60, 60, 1);
             doResampler(r, in, o, 1024 * 4);
             getResamplerDstSize(r, 1024);
             termResampler(r);
             void* h = initHqups(1024, 2, 2, 44100, 0.3f, 50, 16000, 1, 60, 60, 1, 1);
             doHqups(h, in, o, 512 * 4);
             setHqupsHarmonics(h, 0.2f);
             setHqupsMix(h, 30);
             setHqupsActiveMode(h, 0);
             getHqupsDstSize(h, 512);
             getHqupsSrcSize(h, 1024);
             termHqups(h);
             termHqups(initHqupsBySrcsize(512, 1, 1, 22050, 0.3f, 50, 9000, 0, 60, 60, 0, 0));
             void* p = initPitchShift(1024, 2, 44100, 300, 0, 0.05f, 0.01f, 1, 1);
             doPitchShift(p, in, o, 1024 * 4);
             setPitchShiftPitch(p, -200);
             setPitchShiftOutLevel(p, -1);
             termPitchShift(p);
             void* st = initStretch(1024, 2, 44100, 300, 0, 0.05f, 0.01f);
             doStretch(st, in, o, 1024 * 4);
             setStretchScale(st, 200);
             setStretchOutLevel(st, -1);
             getStretchDstSize(st, 1024);
             termStretch(st);
             void* ws = initWaveSlice(1024, 2, 44100, -30, -40, 50, 0.01f);
             doWaveSlice(ws, in, 1024 * 4);
             stopWaveSlice(ws);
             getWaveSlice(ws, 0);
             termWaveSlice(ws);
         }},
    };
}

std::vector<Scenario> outputScenarios(const std::string& capture, const std::string& converted)
{
    return {
        {"tessor",
         [=] {
             getVersionWaveOut();
             // Not getDeviceCountWaveOut: it enters the system's sound libraries, whose own
             // allocations this program would fail too.
             TessorDevice device;
             getDeviceInfoWaveOut(0, &device);
             const int32_t w = initWaveOut();
             selectOutputWaveOut(w, TESSOR_OUTPUT_CAPTURE, capture.c_str(), 1);
             startCaptureWaveOut(w, 0, 1);
             enableEffectWaveOut(w, 1);
             enableOrvane48kWaveOut(w, 1);
             setHarmonicsWaveOut(w, 0.2f);
             setSpeedWaveOut(w, 0);
             setPitchWaveOut(w, 0);
             enableGraphicEQWaveOut(w, 0);
             TessorSettings settings;
             getSettingsWaveOut(w, &settings);
             if (openWaveOut(w, -1, 44100, 2, pullSilence, nullptr, 0, 4096, 4) == 1) {
                 getOutputWaveOut(w);
                 startWaveOut(w);
                 int16_t levels[2];
                 getCurrentLevelWaveOut(w, levels);
                 int16_t wave[64];
                 getCurrentWaveformWaveOut(w, wave, 32);
                 stopWaveOut(w);
             }
             termWaveOut(w);
         }},
        {"norv",
         [=] {
             NORVGetVersion();
             NORVSetSampleRate(44100);
             NORVSetOutputFile(converted.c_str());
             shortMono(pcm().data(), 256, 0);
             shortStereo(pcm().data(), 256, 0);
             NORVClose();
             NORVLastError();
         }},
    };
}

std::vector<Scenario> mp3Scenarios(const std::string& mp3, const std::string& converted,
                                   const std::vector<uint8_t>& bytes)
{
    return {
        {"decode",
         [=, &bytes] {
             static float f[2 * 1000];
             static int16_t s[2 * 1000];
             OrvaneDecoder* d = OrvaneDecodeOpenFile(mp3.c_str());
             OrvaneDecodeFormat format;
             OrvaneDecodeGetFormat(d, &format);
             OrvaneDecodeReadFloat(d, f, 1000);
             OrvaneDecodeSeek(d, 50000);
             OrvaneDecodeReadInt16(d, s, 1000);
             OrvaneDecodeTell(d);
             char text[64];
             OrvaneDecodeGetTagText(d, 0, text, sizeof text);
             OrvanePictureInfo picture;
             OrvaneDecodeGetPictureInfo(d, &picture);
             OrvaneReplayGain gain;
             OrvaneDecodeGetReplayGain(d, &gain);
             OrvaneDecodeSetReplayGain(d, 1);
             OrvaneDecodeSetGapless(d, 0);
             OrvaneDecodeClose(d);
             OrvaneDecodeClose(OrvaneDecodeOpenMemory(bytes.data(), bytes.size()));
             OrvaneDecodeClose(OrvaneDecodeOpenFile("/nonexistent/orvane.mp3"));
             OrvaneLastError();
             OrvaneLastErrorCode();
         }},
        {"file information",
         [=] {
             OrvaneGetTotalMs(mp3.c_str(), 0);
             OrvaneGetFirstBitrate(mp3.c_str(), 0);
             OrvaneStreamInfo info;
             OrvaneGetStreamInfo(mp3.c_str(), 0, &info);
             char text[64];
             OrvaneGetTagText(mp3.c_str(), 0, 1, text, sizeof text);
             OrvanePictureInfo picture;
             OrvaneGetPictureInfo(mp3.c_str(), 0, &picture);
             OrvaneReplayGain gain;
             OrvaneGetReplayGain(mp3.c_str(), 0, &gain);
         }},
        {"events and settings",
         [] {
             OrvaneGetVersion();
             OrvaneEvent* e = OrvaneEventCreate();
             OrvaneEventSet(e);
             OrvaneEventWait(e, 0);
             OrvaneEventReset(e);
             OrvaneEventDestroy(e);
             OrvaneSetVolume(32768);
             OrvaneEnableEQ(1);
             OrvaneSetEQ(3, 1.5f);
             OrvaneEnableEQ(0);
             OrvaneEnableGapless(1);
             OrvaneSelectWaveOut(-1);
             OrvaneEnable3dnow(0);
             OrvaneEnableSSE(1);
             OrvaneEnableAVX2(1);
             OrvaneSetBufferSize(12);
             OrvaneSetSpectrumSize(256);
             OrvaneSetPitch(0);
             OrvaneSetSpeed(0);
             OrvaneEnableDspEffect(0);
             OrvaneEnable48k(0);
             OrvaneSetHarmonics(0.3f);
             OrvaneSetReplayGain(0);
         }},
        {"play",
         [=] {
             // No play runs here: the requests and read-outs find nothing, and a conversion
             // through norv plays the file on this thread.
             OrvaneStop();
             OrvanePause(0);
             OrvaneSeek(16);
             OrvaneAbsoluteSeek(0.5f);
             OrvaneChangePitch(0);
             OrvaneWhere();
             OrvaneGetCurrentTime();
             OrvaneGetBitrate();
             float spectrum[512];
             OrvaneGetSpectrum(spectrum);
             int16_t wave[64];
             OrvaneGetWaveform(wave, 32);
             OrvaneGetLevel(0);
             OrvaneGetDestination();
             DebugGetCurrentOutSize();
             DebugGetEffectiveBufferSize();
             OrvaneGetTrackIndex();
             OrvaneQueueNext(mp3.c_str(), 0);
             OrvaneQueueAppend(mp3.c_str(), 0);
             NORVSetOutputFile(converted.c_str());
             OrvanePlay(mp3.c_str(), nullptr, 0, 1);
             OrvaneQueueNext(nullptr, 0);
             OrvaneClean();
         }},
    };
}

// Runs a set-up with its failAt-th allocation failing (0: none fails, -1: the set-up is not run).
template<class SetUp> void attempt(long failAt, SetUp setUp)
{
    fired = false;
    if (failAt < 0)
        return;
    countdown = failAt;
    try {
        setUp();
    } catch (const std::bad_alloc&) { }
    countdown = -1;
}

// Each part that re-sizes a live effect: a set-up that grows it, then a block run through it. When
// the growing set-up fails at any of its allocations, the block comes out as if it had never been tried.
struct Regrowth {
    const char* name;
    std::function<std::vector<float>(long failAt)> run;
};

std::vector<Regrowth> regrowths()
{
    static const std::vector<float> x = testsig::noise(4096, 11);
    return {
        {"filter cascade",
         [](long failAt) {
             ButterworthCascade c;
             c.setOrder(4, 0);
             c.design(44100, 2000);
             attempt(failAt, [&] { c.setOrder(BiquadCascade::kMaxOrder, 1); });
             std::vector<float> y(x.size());
             c.process(x.data(), y.data(), uint32_t(x.size()));
             return y;
         }},
        {"envelope follower",
         [](long failAt) {
             EnvelopeFollower f;
             f.setup(4096, 8000, 2, 33, 1, false, 1);
             attempt(failAt, [&] { f.setup(4096, 192000, 12, 33, 1, false, 1); });
             std::vector<float> y(x.size());
             f.process(x.data(), y.data(), uint32_t(x.size()));
             return y;
         }},
        {"spectrum frame",
         [](long failAt) {
             SpectrumFrame a;
             a.setup(256, 1024, 512, 120);
             attempt(failAt, [&] { a.setup(256, 8192, 4096, 120); });
             std::vector<float> y(a.size / 2);
             a.transform(x.data());
             a.toDecibels(y.data());
             return y;
         }},
    };
}

TEST(AllocationFailure, AGrowingSetUpThatFailsKeepsTheOldState)
{
    for (const Regrowth& r : regrowths()) {
        const std::vector<float> kept = r.run(-1);
        for (long n = 1;; ++n) {
            const std::vector<float> y = r.run(n);
            if (!fired) {
                EXPECT_GT(n, 1) << r.name << ": the set-up allocated nothing";
                EXPECT_NE(y, kept) << r.name << ": the set-up that runs through changes nothing";
                break;
            }
            EXPECT_EQ(y, kept) << r.name << ", allocation " << n << " failing";
        }
    }
}

TEST(AllocationFailure, EveryExportSurvivesEachAllocationFailing)
{
    const std::string wav = testsig::tempPath("alloc-in.wav");
    ASSERT_TRUE(testsig::writeWavPcm16(wav, pcm(), 2, 44100));
    const std::string wavOut = testsig::tempPath("alloc-out.wav");
    const std::string capture = testsig::tempPath("alloc-capture.wav");
    const std::string converted = testsig::tempPath("alloc-norv.wav");
    const std::string mp3 = std::string(ORVANE_SOURCE_DIR) + "/samples/orvane-demo.mp3";
    const std::vector<uint8_t> bytes = testsig::readFile(mp3);
    ASSERT_FALSE(bytes.empty());
    std::vector<Scenario> all = dspScenarios(wav, wavOut);
    for (Scenario& s : outputScenarios(capture, converted))
        all.push_back(std::move(s));
    for (Scenario& s : mp3Scenarios(mp3, converted, bytes))
        all.push_back(std::move(s));
    for (const Scenario& s : all) {
        const int runs = sweep(s.run);
        EXPECT_GT(runs, 1) << s.name << ": no allocation was made, so nothing was failed";
        std::printf("%s: %d allocations failed in turn\n", s.name, runs - 1);
    }

    // A failure that is the missing memory says so.
    fired = false;
    countdown = 1;
    OrvaneDecoder* d = OrvaneDecodeOpenFile(mp3.c_str());
    countdown = -1;
    EXPECT_EQ(d, nullptr);
    EXPECT_EQ(OrvaneLastErrorCode(), ORVANE_ERROR_OUT_OF_MEMORY) << OrvaneLastError();
    countdown = 1;
    void* r = initResampler(1024, 2, 2, 44100, 48000, 1, 60, 60, 1);
    countdown = -1;
    EXPECT_EQ(r, nullptr);
    EXPECT_EQ(dspLastErrorCode(), DSP_ERROR_OUT_OF_MEMORY) << dspLastError();
    for (const std::string& p : {wav, wavOut, capture, converted})
        std::remove(p.c_str());
}

}  // namespace
