// UnixShell.h: reaching the Unix side from the benchmark running under
// Wine: copying whole trees, and the native reference it is timed against.
#pragma once

#include <string>

// The Unix path behind a Windows path; throws when not under Wine.
std::string UnixPath(const std::string& windowsPath);

// `text` quoted for /bin/sh.
std::string ShellQuote(const std::string& text);

// Runs `command` with /bin/sh and waits for it to end. Wine starts Unix
// programs without a process to wait on, so the script reports back through
// a file. Returns the exit status, or -1 when the shell did not run.
int RunShell(const std::string& command);
