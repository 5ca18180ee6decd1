/* A Windows host as a third party writes one: it loads mp3.dll and dsp.dll at run time, declares
 * the prototypes it uses by hand and checks three things. It plays a stream on the null output and
 * waits on a started event it created; it converts the stream to a WAV file (norv.dll comes in with
 * mp3.dll); it runs a fader from dsp.dll over a tone.
 * Usage: dll_host STREAM OUT.wav. Exit status 0 when every check holds. */
#include <windows.h>

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

typedef int32_t(__cdecl* PlayFn)(const char*, void*, int32_t, int32_t);
typedef void(__cdecl* VoidFn)(void);
typedef void(__cdecl* SetVolumeFn)(int32_t);
typedef int32_t(__cdecl* SetOutputFileFn)(const char*);
typedef uint32_t(__cdecl* NorvCloseFn)(void);
typedef void*(__cdecl* InitFaderFn)(uint32_t, uint32_t, uint32_t, float, float, float);
typedef int32_t(__cdecl* DoFadeFn)(void*, uint32_t, const int16_t*, int16_t*, uint32_t);
typedef int32_t(__cdecl* TermFn)(void*);
typedef uint32_t(__cdecl* AllocatedFn)(void);

static PlayFn play;
static VoidFn stop;
static int failures;

static void check(int ok, const char* what)
{
    printf("%s: %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok)
        ++failures;
}

/* void (*)(void) converts to any function pointer type without a cast warning. */
typedef void (*AnyFn)(void);

static AnyFn need(HMODULE module, const char* name)
{
    FARPROC f = module ? GetProcAddress(module, name) : NULL;
    if (f == NULL) {
        printf("FAIL: %s not exported\n", name);
        exit(1);
    }
    return (AnyFn)f;
}

struct PlayArgs {
    const char* path;
    HANDLE started;
    int32_t result;
};

static DWORD WINAPI playThread(LPVOID p)
{
    struct PlayArgs* args = (struct PlayArgs*)p;
    args->result = play(args->path, args->started, 0, 0);
    return 0;
}

static void playOnNullOutput(const char* path)
{
    struct PlayArgs args = {path, CreateEventA(NULL, TRUE, FALSE, NULL), -2};
    HANDLE thread = CreateThread(NULL, 0, playThread, &args, 0, NULL);
    check(thread != NULL && WaitForSingleObject(args.started, 10000) == WAIT_OBJECT_0,
          "the started event is set once the play runs");
    stop();
    check(thread != NULL && WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0 && args.result == 1,
          "a stopped play returns 1");
    if (thread != NULL)
        CloseHandle(thread);
    CloseHandle(args.started);
}

static void convert(HMODULE mp3, const char* path, const char* out)
{
    HMODULE norv = GetModuleHandleA("norv.dll");
    SetOutputFileFn setOutputFile = (SetOutputFileFn)need(norv, "NORVSetOutputFile");
    NorvCloseFn norvClose = (NorvCloseFn)need(norv, "NORVClose");
    ((SetVolumeFn)need(mp3, "OrvaneSetVolume"))(32768);
    check(setOutputFile(out) == 1, "the conversion file is named");
    check(play(path, NULL, 0, 1) == 1, "the conversion runs to the end");
    check(norvClose() > 0, "the conversion wrote samples");
}

/* A fader held at -6.0206 dB halves a tone: every output sample within one step of half its input. */
static void fadeTone(HMODULE dsp)
{
    enum { kFrames = 4096, kChannels = 2 };
    static int16_t in[kFrames * kChannels];
    static int16_t out[kFrames * kChannels];
    AllocatedFn allocated = (AllocatedFn)need(dsp, "fastmemGetAllocatedSize");
    const uint32_t before = allocated();
    void* fader = ((InitFaderFn)need(dsp, "initFader"))(kFrames, kChannels, 44100, 1.0f, -6.0206f, 0.0f);
    int i;
    int worst = 0;
    for (i = 0; i < kFrames * kChannels; ++i)
        in[i] = (int16_t)lrint(20000.0 * sin(2.0 * 3.14159265358979 * 441.0 * (i / kChannels) / 44100.0));
    check(fader != NULL, "initFader gives a handle");
    check(((DoFadeFn)need(dsp, "doFade"))(fader, 0, in, out, sizeof in) == 1, "doFade runs a block");
    for (i = 0; i < kFrames * kChannels; ++i) {
        const int diff = abs(2 * out[i] - in[i]);
        if (diff > worst)
            worst = diff;
    }
    check(worst <= 2, "the fader halves the tone");
    check(((TermFn)need(dsp, "termFader"))(fader) == 1, "termFader releases the handle");
    check(allocated() == before, "the fader's buffers go back to the heap");
}

int main(int argc, char** argv)
{
    HMODULE mp3;
    HMODULE dsp;
    if (argc != 3) {
        fprintf(stderr, "usage: dll_host STREAM OUT.wav\n");
        return 2;
    }
    mp3 = LoadLibraryA("mp3.dll");
    dsp = LoadLibraryA("dsp.dll");
    check(mp3 != NULL && dsp != NULL, "mp3.dll and dsp.dll load");
    if (mp3 == NULL || dsp == NULL)
        return 1;
    play = (PlayFn)need(mp3, "OrvanePlay");
    stop = (VoidFn)need(mp3, "OrvaneStop");
    _putenv("ORVANE_OUTPUT=null");
    playOnNullOutput(argv[1]);
    convert(mp3, argv[1], argv[2]);
    fadeTone(dsp);
    ((VoidFn)need(mp3, "OrvaneClean"))();
    FreeLibrary(mp3);
    FreeLibrary(dsp);
    printf("%d failure(s)\n", failures);
    return failures == 0 ? 0 : 1;
}
