// Shared by the update engine's Windows tests: a log that records its lines, files served by
// the HTTP fixture and the fixture's request log.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "diag/logger.h"
#include "test_support.h"

class RecordingLog : public Logger {
 public:
  void LOG_YAZ(std::wstring_view message) override { lines.emplace_back(message); }
  std::vector<std::wstring> lines;
};

// Puts a file below the fixture's root (name may hold spaces) and returns its address.
std::wstring Serve(const std::wstring& name, const std::string& bytes);

// The fixture's address + "/" + pathAndQuery, exactly as given.
std::wstring FixtureAddress(const std::wstring& pathAndQuery);

// True when the fixture logged a GET of exactly this target (as sent on the wire) with this status.
bool FixtureReceived(const std::string& target, int status);

// Bytes 0 to 255 over and over, so that a shifted or dropped piece shows.
std::string PatternBytes(size_t size, const char* head = "MZ");

// Wine's ntdll carries an export that Windows' does not.
bool RunningUnderWine();

// Every file below folder with its bytes, by its path relative to folder.
std::map<std::wstring, std::string> FolderContents(const std::wstring& folder);
