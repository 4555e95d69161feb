// UnixShell.cpp: Unix commands from inside Wine.
#include "UnixShell.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace {

void WriteText(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot write " + path);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

std::string UnixPath(const std::string& windowsPath)
{
    using ToUnix = char*(CDECL*)(LPCWSTR);
    const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix)
        throw std::runtime_error("not running under Wine");
    WCHAR wide[MAX_PATH * 2];
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH * 2);
    char* unix = toUnix(wide);
    if (!unix)
        throw std::runtime_error("no Unix path for " + windowsPath);
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

int RunShell(const std::string& command)
{
    static int s_serial;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char name[64];
    std::snprintf(name, sizeof name, "vorlix-sh-%lu-%d", GetCurrentProcessId(), ++s_serial);
    const std::string script = std::string(temp) + name + ".sh";
    const std::string status = std::string(temp) + name + ".status";
    const std::string unixStatus = UnixPath(status);
    WriteText(script, "(" + command + ")\necho $? > " + ShellQuote(unixStatus + ".part") +
                          " && mv " + ShellQuote(unixStatus + ".part") + " " +
                          ShellQuote(unixStatus) + "\n");

    // A status file left by an earlier run under the same Wine process id
    // would end the wait before this script has even started.
    DeleteFileA(status.c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = "/bin/sh \"" + UnixPath(script) + "\"";
    int result = -1;
    if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        // Whole-tree copies of 300,000 files can take many minutes: wait for
        // the status, however long.
        for (;;) {
            HANDLE file = CreateFileA(status.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                char text[16] = {};
                DWORD read = 0;
                ReadFile(file, text, sizeof text - 1, &read, nullptr);
                CloseHandle(file);
                result = std::atoi(text);
                break;
            }
            Sleep(20);
        }
    }
    DeleteFileA(status.c_str());
    DeleteFileA(script.c_str());
    return result;
}
