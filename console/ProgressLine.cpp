// ProgressLine.cpp: CProgressLine.
#include "ProgressLine.h"

#include <process.h>

#include <new>
#include <string>

#include "ConsoleText.h"

CProgressLine::CProgressLine(const CCleaningProgress& progress)
    : m_progress(progress), m_error(GetStdHandle(STD_ERROR_HANDLE))
{
    DWORD mode;
    if (!GetConsoleMode(m_error, &mode))
        return;  // redirected: unchanged, byte for byte
    m_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (m_stop)
        m_thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &CProgressLine::Run, this, 0, nullptr));
}

CProgressLine::~CProgressLine()
{
    if (m_thread) {
        SetEvent(m_stop);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        Lock lock(m_lock);
        Show(L"");
    }
    if (m_stop)
        CloseHandle(m_stop);
}

unsigned __stdcall CProgressLine::Run(void* context)
{
    auto& line = *static_cast<CProgressLine*>(context);
    while (WaitForSingleObject(line.m_stop, 200) == WAIT_TIMEOUT) {
        wchar_t text[128] = {};
        try {
            MultiByteToWideChar(kOwnTexts, 0, ProgressText(line.m_progress).c_str(), -1, text, 127);
        } catch (const std::bad_alloc&) {
            continue;  // no memory for the text: the next update tries again
        }
        Lock lock(line.m_lock);
        line.Show(text);
    }
    return 0;
}

void CProgressLine::Show(const wchar_t* text)
{
    // Back to the start of the line, the new text over the old, blanks over
    // what the old had more, and back to the end of the new.
    wchar_t line[400];
    DWORD length = 0, shown = 0;
    line[length++] = L'\r';
    for (; text[shown] && length < 128; ++shown)
        line[length++] = text[shown];
    for (DWORD blank = shown; blank < m_shown; ++blank)
        line[length++] = L' ';
    for (DWORD back = shown; back < m_shown; ++back)
        line[length++] = L'\b';
    if (!m_shown && !shown)
        return;
    DWORD written;
    WriteConsoleW(m_error, line, length, &written, nullptr);
    m_shown = shown;
}
