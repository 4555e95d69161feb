// String.h: CString, the framework's ANSI text. It owns its characters; the
// program's own literals are code page 1250.
#pragma once

#include <windows.h>

#include <string>

class CString {
public:
    CString() = default;
    CString(const char* text) : m_text(text ? text : "") {}

    int GetLength() const { return static_cast<int>(m_text.size()); }
    BOOL IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    operator LPCSTR() const { return m_text.c_str(); }
    char operator[](int index) const { return m_text[static_cast<size_t>(index)]; }

    CString& operator=(const char* text)
    {
        m_text = text ? text : "";
        return *this;
    }

    // Index of the last `c`, or -1.
    int ReverseFind(char c) const;
    CString Left(int count) const;
    // Removes `count` characters from `index` on; returns the new length.
    int Delete(int index, int count = 1);

    // A writable area of at least `minLength` characters plus a terminator;
    // ReleaseBuffer(-1) then takes the length from the terminator.
    LPSTR GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

    // The text in UTF-16, read in `codePage` (the program's own texts are
    // 1250); and back from the ANSI code page. `lost`, when given, tells
    // whether some character had no ANSI spelling (it is "?").
    std::wstring Wide(UINT codePage = CP_ACP) const;
    static CString FromWide(const std::wstring& wide, bool* lost = nullptr);

    // Loads a string resource of the application; FALSE when there is none.
    BOOL LoadString(UINT id);

private:
    std::string m_text;
};
