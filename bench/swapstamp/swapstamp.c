// SPDX-License-Identifier: GPL-3.0-or-later
// Preloaded into a GL program (LD_PRELOAD), appends one CLOCK_MONOTONIC time in
// nanoseconds per buffer swap to the file named by SWAPSTAMP_FILE, one a line, so
// frame gaps can be measured without touching the program. The time is taken after
// the swap returns: the frame has then been handed to the X server.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static int gFile = -1;
static pthread_once_t gOpenOnce = PTHREAD_ONCE_INIT;

static void openStampFile(void)
{
    const char* path = getenv("SWAPSTAMP_FILE");
    if (path && *path)
        gFile = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

// One write per line with O_APPEND, so lines from several threads never interleave.
static void stamp(void)
{
    pthread_once(&gOpenOnce, openStampFile);
    if (gFile < 0)
        return;
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    char line[32];
    int length = snprintf(line, sizeof line, "%lld\n", (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
    // A lost line only shortens the record; the program must not notice anything.
    if (write(gFile, line, (size_t)length) != length)
        return;
}

typedef void (*GlxSwap)(void*, unsigned long);
typedef unsigned (*EglSwap)(void*, void*);

void glXSwapBuffers(void* display, unsigned long drawable)
{
    static GlxSwap next;
    if (!next)
        *(void**)&next = dlsym(RTLD_NEXT, "glXSwapBuffers");
    if (next)
        next(display, drawable);
    stamp();
}

unsigned eglSwapBuffers(void* display, void* surface)
{
    static EglSwap next;
    if (!next)
        *(void**)&next = dlsym(RTLD_NEXT, "eglSwapBuffers");
    unsigned done = next ? next(display, surface) : 0;
    stamp();
    return done;
}
