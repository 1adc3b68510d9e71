// What the vendor's check prints: one line per finding, and whether any would fail a shop's run.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text.h"

class Report {
 public:
  // A fact of one file or of the list: what the updater would meet there.
  void Fact(std::string_view kind, const std::wstring& text) { Line(kind, text); }
  // Something that would make a shop's run fail.
  void Fail(const std::wstring& text) {
    ++failures_;
    Line("FAIL", text);
  }
  // Something that works but should not stay so.
  void Warn(const std::wstring& text) { Line("warn", text); }
  int failures() const { return failures_; }

 private:
  // Texts carry values from the database and the server: made visible, none can forge a line of
  // the report or steer the terminal.
  static void Line(std::string_view kind, const std::wstring& text) {
    std::printf("%-5.*s %s\n", static_cast<int>(kind.size()), kind.data(),
                EncodeUtf8(VisibleText(text)).c_str());
    std::fflush(stdout);
  }
  int failures_ = 0;
};

// What libcurl, OpenSSL and the database say, as text; bytes that are no UTF-8 as Latin-1.
inline std::wstring Wide(std::string_view utf8) {
  if (std::optional<std::wstring> text = DecodeUtf8(utf8)) return *text;
  std::wstring latin1;
  for (const unsigned char c : utf8) latin1 += static_cast<wchar_t>(c);
  return latin1;
}
