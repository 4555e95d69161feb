// Threads.h: the little the engine needs to spread waiting work over
// threads: a scoped lock, and one function that runs a task on several.
#pragma once

#include <windows.h>

// Holds a critical section for its scope.
class Lock {
public:
    explicit Lock(CRITICAL_SECTION& section) : m_section(section) { EnterCriticalSection(&m_section); }
    ~Lock() { LeaveCriticalSection(&m_section); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CRITICAL_SECTION& m_section;
};

// A critical section for the life of its owner.
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&m_section); }
    ~CriticalSection() { DeleteCriticalSection(&m_section); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    operator CRITICAL_SECTION&() { return m_section; }

private:
    CRITICAL_SECTION m_section;
};

constexpr int kMaxThreads = 16;

// Runs work(context) on this thread and on `threads` - 1 others (at most
// kMaxThreads in all), and returns once every one has returned. Threads
// that cannot be started are done without: `work` must finish the task on
// however many run it, one included. `work` must not throw.
void RunOnThreads(int threads, unsigned(__stdcall* work)(void* context), void* context);
