// Every modal message box of the program passes through this one seam, so that tests
// can see what would be shown, and answer it, without a person pressing OK.
#pragma once

#include <functional>
#include <string>

// The program's title: the caption of every box that is given no other.
inline constexpr wchar_t kProgramTitle[] = L"Zefra INDIR";

// Style values as MessageBoxW takes them; every box has an OK button only.
enum MessageBoxStyle : unsigned {
  kBoxPlain = 0x00,
  kBoxError = 0x10,        // MB_ICONERROR (critical, stop)
  kBoxWarning = 0x30,      // MB_ICONWARNING (exclamation)
  kBoxInformation = 0x40,  // MB_ICONINFORMATION
};

struct MessageBoxRequest {
  std::wstring text;
  std::wstring title;
  unsigned style = kBoxPlain;
};

using MessageBoxHandler = std::function<void(const MessageBoxRequest&)>;

// Shows a modal box and returns when it has been closed.
void ShowMessageBox(std::wstring text, std::wstring title = kProgramTitle, unsigned style = kBoxPlain);

// Puts a handler in place of the current one and returns the one it replaced. Without any
// handler a box is written to standard error; the program installs the real one at start.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
