// The module mdlTask: ends every process that owns a top-level window whose title carries a name.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "diag/logger.h"
#include "platform/file_identity_win.h"

// Walks every top-level window (hidden ones included) and ends the process of each window whose
// title contains the name, ignoring case, when that process runs programFile itself: a spreadsheet
// titled "Rapor.xlsx" or the same program started from another folder keeps running. False only
// when an unexpected error cut the walk short.
bool TerminateTask(const std::wstring& name, const std::wstring& programFile) noexcept;
// The same, with a line in log for each program ended (its process id and image path).
bool TerminateTaskAndLog(const std::wstring& name, const std::wstring& programFile, Logger& log) noexcept;

// Ends the window's process when it runs programFile (null: none), writing the event-log
// warning just before.
// True in every ordinary outcome (window gone, no process, another program, image unknown, ended,
// refused); false only on an unexpected error.
bool KillProcess(HWND window, const FileIdentity* programFile, Logger* log = nullptr) noexcept;

// Upper-cases a title or a target the same way on both sides, whatever the user's locale.
std::wstring UpperForTitleMatch(const std::wstring& text);
// The name as TerminateTask looks for it in the titles: through the ANSI code page, as the
// titles are read, so both sides lose the same letters, then upper-cased.
std::wstring TitleMatchTarget(const std::wstring& name);

// Where KillProcess records its warning. Wine stores no entries, so tests put a counter here.
using EventLogWriter = std::function<void(const std::wstring& text)>;
// Returns the writer it replaced; an empty writer puts the application event log back.
EventLogWriter SetEventLogWriter(EventLogWriter writer);
// One warning entry of the source "Zefra INDIR" in the application event log; failures ignored.
void WriteApplicationEventLog(const std::wstring& text) noexcept;
