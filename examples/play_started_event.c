/* Starts OrvanePlay on a thread of its own, waits on the public started event until the output
 * runs, then stops the play.  Usage: play_started_event FILE (ORVANE_OUTPUT=null plays silently) */
#include <pthread.h>
#include <stdio.h>

#include <orvane/mp3.h>

struct Play {
    const char* path;
    OrvaneEvent* started;
    int32_t result;
};

static void* play(void* arg)
{
    struct Play* p = arg;
    p->result = OrvanePlay(p->path, p->started, 0, 0);
    /* A play that ends before its output starts must not leave the host waiting. */
    OrvaneEventSet(p->started);
    return NULL;
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    struct Play p = {argv[1], OrvaneEventCreate(), -2};
    if (p.started == NULL)
        return 1;
    OrvaneSetVolume(32768);
    pthread_t thread;
    if (pthread_create(&thread, NULL, play, &p) != 0)
        return 1;
    const int32_t started = OrvaneEventWait(p.started, 10000);
    OrvaneStop();
    pthread_join(thread, NULL);
    OrvaneEventDestroy(p.started);
    printf("started %d, play returned %d\n", started, p.result);
    return started == 1 && p.result == 1 ? 0 : 1;
}
