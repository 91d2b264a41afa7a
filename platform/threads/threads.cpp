// Win32 threads and synchronisation over POSIX threads.
#include "threads.h"

#include <errno.h>
#include <pthread.h>
#include <stdlib.h>
#include <time.h>

static_assert(sizeof(pthread_mutex_t) <= sizeof(CRITICAL_SECTION), "mutex fits");
static_assert(sizeof(pthread_cond_t) <= sizeof(CONDITION_VARIABLE), "condition fits");

namespace {

struct thread_start {
    LPTHREAD_START_ROUTINE routine;
    LPVOID parameter;
};

void *run_thread(void *arg)
{
    thread_start start = *(thread_start *)arg;
    free(arg);
    return (void *)(uintptr_t)start.routine(start.parameter);
}

pthread_mutex_t *mutex_of(LPCRITICAL_SECTION section)
{
    return (pthread_mutex_t *)section->opaque;
}

pthread_cond_t *cond_of(PCONDITION_VARIABLE condition)
{
    return (pthread_cond_t *)condition->opaque;
}

// A handle that only says "a thread was started"; the thread is detached.
char started_thread_marker;

} // namespace

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stack_size, LPTHREAD_START_ROUTINE start,
                           LPVOID parameter, DWORD, LPDWORD thread_id)
{
    thread_start *arg = (thread_start *)malloc(sizeof(thread_start));
    if (arg == NULL)
        return NULL;
    arg->routine = start;
    arg->parameter = parameter;

    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    if (stack_size != 0)
        pthread_attr_setstacksize(&attr, stack_size);
    pthread_t thread;
    int failed = pthread_create(&thread, &attr, run_thread, arg);
    pthread_attr_destroy(&attr);
    if (failed) {
        free(arg);
        return NULL;
    }
    if (thread_id != NULL)
        *thread_id = (DWORD)(uintptr_t)thread;
    return &started_thread_marker;
}

BOOL WINAPI CloseHandle(HANDLE handle)
{
    return handle != NULL;
}

void WINAPI Sleep(DWORD milliseconds)
{
    struct timespec delay = {(time_t)(milliseconds / 1000), (long)(milliseconds % 1000) * 1000000L};
    while (nanosleep(&delay, &delay) != 0 && errno == EINTR) {
    }
}

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section)
{
    // Critical sections may be entered again by the thread that holds them.
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(mutex_of(section), &attr);
    pthread_mutexattr_destroy(&attr);
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section)
{
    pthread_mutex_destroy(mutex_of(section));
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section)
{
    pthread_mutex_lock(mutex_of(section));
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section)
{
    pthread_mutex_unlock(mutex_of(section));
}

void WINAPI InitializeConditionVariable(PCONDITION_VARIABLE condition)
{
    pthread_cond_init(cond_of(condition), NULL);
}

BOOL WINAPI SleepConditionVariableCS(PCONDITION_VARIABLE condition, LPCRITICAL_SECTION section,
                                     DWORD milliseconds)
{
    if (milliseconds == INFINITE)
        return pthread_cond_wait(cond_of(condition), mutex_of(section)) == 0;

    struct timespec until;
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_sec += milliseconds / 1000;
    until.tv_nsec += (long)(milliseconds % 1000) * 1000000L;
    if (until.tv_nsec >= 1000000000L) {
        until.tv_sec++;
        until.tv_nsec -= 1000000000L;
    }
    return pthread_cond_timedwait(cond_of(condition), mutex_of(section), &until) == 0;
}

void WINAPI WakeAllConditionVariable(PCONDITION_VARIABLE condition)
{
    pthread_cond_broadcast(cond_of(condition));
}
