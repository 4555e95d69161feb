// ConsoleText.h: the console twin's lines, written so that they read right
// wherever they go. To a console they go as UTF-16 (WriteConsoleW), whatever
// its code page; to a file or a pipe in the console's output code page, or
// the OEM code page when there is no console, as the command prompt's own
// commands write them: 852 on a Polish system.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Code page of the program's own texts.
constexpr UINT kOwnTexts = 1250;

class CConsoleText {
public:
    explicit CConsoleText(DWORD stdHandle);  // STD_OUTPUT_HANDLE or STD_ERROR_HANDLE
    ~CConsoleText() { Flush(); }
    CConsoleText(const CConsoleText&) = delete;
    CConsoleText& operator=(const CConsoleText&) = delete;

    // Adds to the line: the program's own text, or text in `codePage`.
    CConsoleText& Add(const char* text, UINT codePage = kOwnTexts);
    CConsoleText& Add(const std::string& text, UINT codePage = kOwnTexts) { return Add(text.c_str(), codePage); }
    // Adds text from outside the program (a name, an argument, the
    // system's words), where a character below 0x20, or 0x7F, is written as
    // "?", as a console shows one it cannot print: a line end or an escape
    // in a file's name neither breaks a line nor reaches the terminal.
    CConsoleText& Add(const wchar_t* text);
    // Adds a path as the engine reports it (UTF-8, engine/PathText.h), as Add does.
    CConsoleText& AddPath(const char* path);
    // Ends the line. A console sees it at once; a file or a pipe, in blocks.
    void EndLine();
    void Flush();

private:
    HANDLE m_handle;
    bool m_bConsole;
    UINT m_codePage;        // for a file or a pipe
    std::vector<wchar_t> m_line;  // the line being put together (a vector: std::wstring weighs 35 KB)
    std::string m_pending;  // encoded lines not yet written to a file or a pipe
};
