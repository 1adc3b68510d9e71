#include "platform/program_folder_win.h"

#include <windows.h>

#include "platform/path.h"
#include "platform/win_error_win.h"

std::wstring ExecutablePath() {
  // Long paths may exceed MAX_PATH: grow the buffer until the whole path fits.
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) ThrowLastError();
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring ProgramFolder() { return FolderOf(ExecutablePath()); }
