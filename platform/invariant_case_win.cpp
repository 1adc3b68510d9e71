#include "platform/invariant_case_win.h"

#include <windows.h>

#include "platform/win_error_win.h"

std::wstring InvariantUpper(std::wstring_view text) {
  if (text.empty()) return std::wstring();
  std::wstring upper(text.size(), L'\0');
  const int size = static_cast<int>(text.size());
  if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.data(), size, upper.data(), size, nullptr,
                    nullptr, 0) != size) {
    ThrowLastError();
  }
  return upper;
}

std::wstring WindowsFileNameKey(std::wstring_view name) {
  std::wstring key(name);
  for (wchar_t& c : key) {
    if (c == L'/') c = L'\\';
  }
  return InvariantUpper(key);
}
