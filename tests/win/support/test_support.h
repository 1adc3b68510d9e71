// Helpers shared by the Windows test programs: the test environment, scratch folders,
// files, recorded message boxes and the database administrator's connection.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "recorded_message_boxes.h"

// A variable of the test environment (see tests/fixtures/testenv.py); empty when unset.
std::wstring TestEnv(const wchar_t* name);

// A new empty folder that is removed with everything in it when the object goes.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

void RemoveTree(const std::wstring& path);
bool FileExists(const std::wstring& path);
std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);

// Holds a file open without sharing, as another program might: others get error 5.
class HeldOpenFile {
 public:
  explicit HeldOpenFile(const std::wstring& path);
  ~HeldOpenFile();
  HeldOpenFile(const HeldOpenFile&) = delete;
  HeldOpenFile& operator=(const HeldOpenFile&) = delete;

 private:
  HANDLE handle_;
};

// A helper program built beside the test programs, e.g. "standin_app.exe".
std::wstring HelperProgramPath(const std::wstring& fileName);

// Top-level windows of one process, hidden ones included.
std::vector<HWND> TopLevelWindowsOf(DWORD processId);

// A program started for a test; ended and waited for when the object goes, if still running,
// so that no test leaves it behind.
class StartedProgram {
 public:
  // The program and its arguments, already quoted as a command line wants them.
  StartedProgram(const std::wstring& program, const std::wstring& arguments);
  ~StartedProgram();
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;

  DWORD id() const { return id_; }
  HANDLE handle() const { return process_; }
  // True when the program has ended, waiting for it up to waitMs.
  bool HasEnded(DWORD waitMs = 0) const;
  DWORD ExitCode() const;
  // Its top-level window (hidden ones count) with exactly this title, once it exists; null when
  // none appeared within timeoutMs or the program ended first.
  HWND WaitForWindow(const std::wstring& title, DWORD timeoutMs = 30000) const;

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

// Common controls and COM on this thread, once, as the program's entry point prepares them
// before it makes its window; true when COM is ready.
bool PrepareWindowThread();

// Runs the thread's messages for the given time, the way the program's loop does.
void PumpFor(DWORD milliseconds);

// Bytes 0 to 255 over and over behind a head, so that a shifted or dropped piece shows.
std::string PatternBytes(size_t size, const char* head = "MZ");

// Wine's ntdll carries an export that Windows' does not.
bool RunningUnderWine();

// Every file below folder with its bytes, by its path relative to folder.
std::map<std::wstring, std::string> FolderContents(const std::wstring& folder);
// Only their paths, in the same order (a folder's ends in "\\").
std::vector<std::wstring> FolderNames(const std::wstring& folder);

// ayar.xml in folder naming the database server, its port and the driver selector.
void WriteSettingsFile(const std::wstring& folder, const std::wstring& server, const std::wstring& port,
                       const std::wstring& driver = L"8");

// The messages of a diagnostic log file, in order, each line checked for its timestamp
// ("yyyy-mm-dd hh:nn:ss ") and CR LF and given without them; none when there is no file.
std::vector<std::wstring> LogMessagesOf(const std::wstring& logPath);

// Runs SQL on the MariaDB fixture as its administrator, through ODBC.
void ExecuteSql(const std::wstring& statements);
// The first column of the first row of a query, as text (empty for Null or no row).
std::wstring QueryScalar(const std::wstring& query);
// Puts the manifest table back as tests/fixtures/schema.sql makes it, with its one row.
void RestoreStandardManifest();
