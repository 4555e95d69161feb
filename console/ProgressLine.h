// ProgressLine.h: the one line that Vorlix.com /Q keeps up to date on the
// console while it cleans: the counts the dialog shows in its caption.
#pragma once

#include <windows.h>

#include "engine/CleaningRun.h"
#include "engine/base/Threads.h"

class CProgressLine {
public:
    // Shows the progress on standard error five times a second, when that
    // is a console; otherwise never writes a byte.
    explicit CProgressLine(const CCleaningProgress& progress);
    ~CProgressLine();  // stops, and clears the line
    CProgressLine(const CProgressLine&) = delete;
    CProgressLine& operator=(const CProgressLine&) = delete;

    // Clears the line and runs write(), which writes lines of its own; the
    // progress comes back at its next update. Must not throw.
    template <class Write>
    void Aside(Write write)
    {
        Lock lock(m_lock);
        Show(L"");
        write();
    }

private:
    static unsigned __stdcall Run(void* line);
    void Show(const wchar_t* text);  // under m_lock

    const CCleaningProgress& m_progress;
    HANDLE m_error;             // standard error, a console; not owned
    HANDLE m_stop = nullptr;    // an event: the cleaning is done
    HANDLE m_thread = nullptr;  // null: standard error is no console, or no thread
    CriticalSection m_lock;     // guards the console's line
    DWORD m_shown = 0;          // characters of progress on the line now
};
