#include "update/file_name_rule.h"

#include <vector>

#include "update/set_aside_name.h"

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::vector<std::wstring_view> Segments(std::wstring_view name) {
  std::vector<std::wstring_view> segments;
  size_t start = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i == name.size() || IsSeparator(name[i])) {
      segments.push_back(name.substr(start, i - start));
      start = i + 1;
    }
  }
  return segments;
}

// Windows drops trailing dots and spaces from a path segment, so ".. " and "..." are
// steps of their own kind and never an ordinary file name.
bool OnlyDotsAndSpaces(std::wstring_view segment) {
  return !segment.empty() && segment.find_first_not_of(L". ") == std::wstring_view::npos;
}

std::wstring Reason(std::wstring_view name, const wchar_t* why) {
  return L"Geçersiz dosya adı \"" + std::wstring(name) + L"\": " + why;
}

}  // namespace

std::optional<std::wstring> FileNameOutsideFolder(std::wstring_view name) {
  if (!name.empty() && IsSeparator(name.front())) {
    return Reason(name, L"tam yol veya ağ yolu kullanılamaz.");
  }
  if (name.find(L':') != std::wstring_view::npos) {
    const bool drive = name.size() >= 2 && name[1] == L':';
    return Reason(name, drive ? L"sürücü adı kullanılamaz." : L"alternatif veri akışı (:) kullanılamaz.");
  }
  // The updater sets its old file aside under such names and the next start deletes them.
  for (const std::wstring_view segment : Segments(name)) {
    if (IsSetAsideName(segment)) return Reason(name, L"eski güncelleyiciye ayrılmış ad kullanılamaz.");
  }
  int depth = 0;
  for (const std::wstring_view segment : Segments(name)) {
    if (segment.empty() || segment == L".") continue;
    if (segment == L"..") {
      if (--depth < 0) return Reason(name, L"program klasörünün dışına yazılamaz.");
    } else if (OnlyDotsAndSpaces(segment)) {
      return Reason(name, L"program klasörünün dışına yazılamaz.");
    } else {
      ++depth;
    }
  }
  // "sub\.." names the folder itself, which is no file.
  if (depth == 0) return Reason(name, L"program klasörünün dışına yazılamaz.");
  return std::nullopt;
}
