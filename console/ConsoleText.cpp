// ConsoleText.cpp: encoding and writing the console twin's lines.
#include "ConsoleText.h"

#include <cwchar>

#include "engine/base/PathText.h"

CConsoleText::CConsoleText(DWORD stdHandle) : m_handle(GetStdHandle(stdHandle))
{
    DWORD mode;
    m_bConsole = GetConsoleMode(m_handle, &mode) != FALSE;
    m_codePage = GetConsoleOutputCP();
    if (!m_codePage)
        m_codePage = GetOEMCP();
}

CConsoleText& CConsoleText::Add(const char* text, UINT codePage)
{
    const int length = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (length > 1) {
        const size_t at = m_line.size();
        m_line.resize(at + static_cast<size_t>(length));
        MultiByteToWideChar(codePage, 0, text, -1, m_line.data() + at, length);
        m_line.pop_back();  // the terminator
    }
    return *this;
}

CConsoleText& CConsoleText::AddPath(const char* path)
{
    const std::wstring wide = WideOf(path);
    return Add(wide.c_str());
}

CConsoleText& CConsoleText::Add(const wchar_t* text)
{
    for (; *text; ++text)
        m_line.push_back(*text < L' ' || *text == 0x7F ? L'?' : *text);
    return *this;
}

void CConsoleText::EndLine()
{
    m_line.push_back(L'\r');
    m_line.push_back(L'\n');
    if (m_bConsole) {
        DWORD written;
        WriteConsoleW(m_handle, m_line.data(), static_cast<DWORD>(m_line.size()), &written, nullptr);
    } else {
        // What the code page cannot spell becomes "?", never a look-alike
        // letter that would name another file. UTF-8 spells everything.
        // A character beyond the 16-bit plane is one "?", not two.
        const DWORD flags = m_codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
        if (flags) {
            size_t kept = 0;
            for (const wchar_t c : m_line) {
                const bool pairEnd = c >= 0xDC00 && c < 0xE000 && kept && m_line[kept - 1] >= 0xD800 && m_line[kept - 1] < 0xDC00;
                if (!pairEnd)
                    m_line[kept++] = c;
            }
            m_line.resize(kept);
        }
        const int length = static_cast<int>(m_line.size());
        const int size = WideCharToMultiByte(m_codePage, flags, m_line.data(), length, nullptr, 0, nullptr, nullptr);
        const size_t at = m_pending.size();
        m_pending.resize(at + static_cast<size_t>(size > 0 ? size : 0));
        WideCharToMultiByte(m_codePage, flags, m_line.data(), length, &m_pending[at], size, nullptr, nullptr);
        if (m_pending.size() >= 8192)
            Flush();
    }
    m_line.clear();
}

void CConsoleText::Flush()
{
    DWORD written;
    if (!m_pending.empty())
        WriteFile(m_handle, m_pending.data(), static_cast<DWORD>(m_pending.size()), &written, nullptr);
    m_pending.clear();
}
