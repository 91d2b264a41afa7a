// Threads and the two synchronisation objects the viewer uses (critical
// sections and condition variables), over POSIX threads.
#pragma once

#include "../types/win32_types.h"

#ifdef __cplusplus
extern "C" {
#endif

#define INFINITE 0xFFFFFFFFu

typedef struct _SECURITY_ATTRIBUTES *LPSECURITY_ATTRIBUTES;
typedef DWORD(WINAPI *LPTHREAD_START_ROUTINE)(LPVOID);

// Starts a detached thread; the handle is only good for CloseHandle.
HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stack_size,
                           LPTHREAD_START_ROUTINE start, LPVOID parameter,
                           DWORD creation_flags, LPDWORD thread_id);
BOOL WINAPI CloseHandle(HANDLE handle);
void WINAPI Sleep(DWORD milliseconds);

// Storage large enough for a pthread mutex; the layout is ours.
typedef struct _CRITICAL_SECTION {
    alignas(16) unsigned char opaque[64];
} CRITICAL_SECTION, *LPCRITICAL_SECTION;

typedef struct _CONDITION_VARIABLE {
    alignas(16) unsigned char opaque[64];
} CONDITION_VARIABLE, *PCONDITION_VARIABLE;

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section);
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section);
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section);
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section);

void WINAPI InitializeConditionVariable(PCONDITION_VARIABLE condition);
BOOL WINAPI SleepConditionVariableCS(PCONDITION_VARIABLE condition, LPCRITICAL_SECTION section,
                                     DWORD milliseconds);
void WINAPI WakeAllConditionVariable(PCONDITION_VARIABLE condition);

#ifdef __cplusplus
}
#endif
