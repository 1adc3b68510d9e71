// Stands in for "Zefra VUNO.exe": records how it was started beside itself, then ends.
#include <windows.h>

#include <string>

#include "platform/encoding_win.h"
#include "platform/program_folder_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int show) {
  STARTUPINFOW startup{};
  GetStartupInfoW(&startup);
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  const std::wstring record = L"arguments=" + std::wstring(arguments) + L"\r\nshow=" + std::to_wstring(show) +
                              L"\r\nflags=" + std::to_wstring(startup.dwFlags & STARTF_USESHOWWINDOW) +
                              L"\r\ncurrent=" + current + L"\r\n";
  const std::string bytes = ToUtf8(record);
  const std::wstring path = ProgramFolder() + L"\\started.txt";
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return 0;
}
