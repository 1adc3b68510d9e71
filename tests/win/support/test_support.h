// Helpers shared by the Windows test programs: the test environment, scratch folders,
// files, recorded message boxes and the database administrator's connection.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/message_box.h"

// A variable of the test environment (see tests/fixtures/testenv.py); empty when unset.
std::wstring TestEnv(const wchar_t* name);

// "http://127.0.0.1:<port>" of the HTTP fixture.
std::wstring HttpFixtureUrl();
// Where the HTTP fixture serves its files from (a Windows path).
std::wstring HttpFixtureRoot();

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

// Records every message box instead of showing it, for as long as it lives.
class RecordedMessageBoxes {
 public:
  RecordedMessageBoxes();
  ~RecordedMessageBoxes();
  RecordedMessageBoxes(const RecordedMessageBoxes&) = delete;
  RecordedMessageBoxes& operator=(const RecordedMessageBoxes&) = delete;

  const std::vector<MessageBoxRequest>& shown() const { return shown_; }

 private:
  std::vector<MessageBoxRequest> shown_;
  MessageBoxHandler previous_;
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

// What the HTTP fixture has logged so far: a "GET <target> <status>" line per request and an
// "END <target> <status> sent=<body bytes>" line when its response has ended (http_server.py).
std::string HttpFixtureLog();

// Runs SQL on the MariaDB fixture as its administrator, through ODBC.
void ExecuteSql(const std::wstring& statements);
// The first column of the first row of a query, as text (empty for Null or no row).
std::wstring QueryScalar(const std::wstring& query);
// Puts the manifest table back as tests/fixtures/schema.sql makes it, with its one row.
void RestoreStandardManifest();
