#include "net/file_address.h"

std::wstring URL_OLUSTUR(std::wstring baseUrl, std::wstring name) {
  // Only forward slashes go: a closing backslash is part of what the vendor typed.
  while (!baseUrl.empty() && baseUrl.back() == L'/') baseUrl.pop_back();
  return baseUrl + L"/" + name;
}

std::wstring RequestAddress(std::wstring_view url) {
  std::wstring address;
  address.reserve(url.size());
  bool inQuery = false;
  for (const wchar_t c : url) {
    inQuery = inQuery || c == L'?';
    if (c == L'\\' && !inQuery) {
      // A subfolder of the manifest's name, or one the vendor typed in the base: only IIS would
      // take the raw backslash, every server takes the slash a browser sends instead.
      address += L'/';
    } else if (c == L' ') {
      address += L"%20";
    } else if (c == L'#') {
      // Part of a file name, never the start of a fragment: "Rapor#2.dll" is not "Rapor".
      address += L"%23";
    } else {
      address += c;
    }
  }
  return address;
}
