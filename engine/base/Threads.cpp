// Threads.cpp: RunOnThreads.
#include "engine/base/Threads.h"

#include <process.h>

void RunOnThreads(int threads, unsigned(__stdcall* work)(void*), void* context)
{
    HANDLE others[kMaxThreads - 1];
    int started = 0;
    while (started < threads - 1 && started < kMaxThreads - 1) {
        others[started] = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, work, context, 0, nullptr));
        if (!others[started])
            break;  // fewer threads, same work
        ++started;
    }
    work(context);
    if (started)
        WaitForMultipleObjects(started, others, TRUE, INFINITE);
    for (int i = 0; i < started; ++i)
        CloseHandle(others[i]);
}
