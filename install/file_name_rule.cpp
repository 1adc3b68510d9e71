#include "install/file_name_rule.h"

#include <vector>

#include "install/set_aside_name.h"
#include "install/updater_files.h"
#include "platform/text.h"

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDotStep(std::wstring_view segment) { return segment == L"." || segment == L".."; }

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

std::wstring Quoted(std::wstring_view text) { return L"\"" + VisibleText(text) + L"\""; }

// What Windows takes for a device when it is the whole segment: the part before the first dot,
// spaces around it ignored, so "nul.dll" and "COM1 .txt" open devices, not files.
std::optional<std::wstring> DeviceNameOf(std::wstring_view segment) {
  const std::wstring base = AsciiUpper(TrimSpaces(segment.substr(0, segment.find(L'.'))));
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
    if (base == device) return base;
  }
  const bool numbered = base.size() == 4 && (base.starts_with(L"COM") || base.starts_with(L"LPT"));
  if (numbered &&
      std::wstring_view(L"0123456789\u00B9\u00B2\u00B3").find(base[3]) != std::wstring_view::npos) {
    return base;
  }
  return std::nullopt;
}

std::optional<std::wstring> CharacterNotStoredAsWritten(std::wstring_view segment) {
  for (const wchar_t c : segment) {
    if (IsControlCharacter(c)) return L"denetim karakteri (" + CodePointText(c) + L") kullanılamaz.";
  }
  for (const wchar_t c : segment) {
    if (c == L':') return std::wstring(L"alternatif veri akışı (:) kullanılamaz.");
    if (std::wstring_view(L"<>\"|?*").find(c) != std::wstring_view::npos) {
      return L"\"" + std::wstring(1, c) + L"\" karakteri kullanılamaz.";
    }
  }
  return std::nullopt;
}

std::wstring Reason(std::wstring_view name, std::wstring_view why) {
  return L"Geçersiz dosya adı " + Quoted(name) + L": " + std::wstring(why);
}

std::wstring DestinationReason(std::wstring_view destination, std::wstring_view why) {
  return L"Geçersiz hedef yol " + Quoted(destination) + L": " + std::wstring(why);
}

constexpr wchar_t kOutsideFolder[] = L"program klasörünün dışına yazılamaz.";
constexpr wchar_t kEndsInStep[] = L"ad bir dosya adıyla bitmeli, \".\" ya da \"..\" ile bitemez.";

// Why the segments after a path's root do not name a file as written; "." and ".." pass here.
std::optional<std::wstring> SegmentsNotStoredAsWritten(const std::vector<std::wstring_view>& segments) {
  for (const std::wstring_view segment : segments) {
    if (IsDotStep(segment)) continue;
    if (std::optional<std::wstring> why = SegmentNotStoredAsWritten(segment)) return why;
  }
  // "x.exe\." is "x.exe" to Windows, but not to the ".exe" test of the downloader.
  if (IsDotStep(segments.back())) return std::wstring(kEndsInStep);
  return std::nullopt;
}

size_t DriveRootLength(std::wstring_view path, size_t at) {
  const bool letter =
      at < path.size() && ((path[at] >= L'A' && path[at] <= L'Z') || (path[at] >= L'a' && path[at] <= L'z'));
  return letter && path.size() >= at + 3 && path[at + 1] == L':' && IsSeparator(path[at + 2]) ? at + 3 : 0;
}

// "server\share\" from at on; 0 when either part is missing.
size_t ShareRootLength(std::wstring_view path, size_t at) {
  size_t end = at;
  for (int part = 0; part < 2; ++part) {
    const size_t start = end;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    if (end == start || end == path.size()) return 0;
    ++end;
  }
  return end;
}

// "X:\", "\\server\share\", or either behind "\\?\" or "\\.\" ("\\?\UNC\server\share\").
size_t RootLength(std::wstring_view path) {
  if (const size_t drive = DriveRootLength(path, 0)) return drive;
  if (path.size() < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return 0;
  const bool local = path.size() >= 4 && (path[2] == L'?' || path[2] == L'.') && IsSeparator(path[3]);
  if (!local) return ShareRootLength(path, 2);
  if (const size_t drive = DriveRootLength(path, 4)) return drive;
  if (path.size() > 7 && AsciiUpper(path.substr(4, 3)) == L"UNC" && IsSeparator(path[7])) {
    return ShareRootLength(path, 8);
  }
  return 0;
}

}  // namespace

std::optional<std::wstring> SegmentNotStoredAsWritten(std::wstring_view segment) {
  if (segment.empty())
    return std::wstring(L"boş klasör adı kullanılamaz (art arda iki ayraç ya da sonda ayraç).");
  if (std::optional<std::wstring> why = CharacterNotStoredAsWritten(segment)) return why;
  if (segment.back() == L'.' || segment.back() == L' ') {
    return Quoted(segment) +
           L" nokta ya da boşlukla bitiyor; Windows bunları siler ve başka bir dosyaya yazar.";
  }
  if (const std::optional<std::wstring> device = DeviceNameOf(segment)) {
    return Quoted(segment) + L" bir aygıt adıdır (" + *device + L"), dosya adı olamaz.";
  }
  return std::nullopt;
}

std::optional<std::wstring> FileNameOutsideFolder(std::wstring_view name) {
  if (!name.empty() && IsSeparator(name.front())) {
    return Reason(name, L"tam yol veya ağ yolu kullanılamaz.");
  }
  if (name.find(L':') != std::wstring_view::npos) {
    const bool drive = name.size() >= 2 && name[1] == L':';
    return Reason(name, drive ? L"sürücü adı kullanılamaz." : L"alternatif veri akışı (:) kullanılamaz.");
  }
  const std::vector<std::wstring_view> segments = Segments(name);
  if (std::optional<std::wstring> why = SegmentsNotStoredAsWritten(segments)) return Reason(name, *why);
  // The updater's own files (its old file set aside, its write probe) go by such names, and a
  // start deletes some of them.
  for (const std::wstring_view segment : segments) {
    if (IsSetAsideName(segment)) return Reason(name, L"eski güncelleyiciye ayrılmış ad kullanılamaz.");
    if (IsUpdaterFileName(segment)) {
      return Reason(name,
                    L"\".indir-\" ile başlayan uzantılar güncelleyicinin kendi dosyalarına ayrılmıştır.");
    }
    if (IsTemporaryFileName(segment)) {
      return Reason(name,
                    L"\".download\" ile biten adlar güncelleyicinin yarım inen dosyalarına ayrılmıştır.");
    }
  }
  int depth = 0;
  for (const std::wstring_view segment : segments) {
    if (segment == L"..") {
      if (--depth < 0) return Reason(name, kOutsideFolder);
    } else if (segment != L".") {
      ++depth;
    }
  }
  return std::nullopt;
}

std::optional<std::wstring> DestinationNotStoredAsWritten(std::wstring_view destination) {
  const size_t root = RootLength(destination);
  if (root == 0) {
    return DestinationReason(
        destination,
        L"sürücüyle (X:\\) ya da ağ paylaşımıyla (\\\\sunucu\\paylaşım\\) başlayan tam bir "
        L"yol olmalı.");
  }
  if (std::optional<std::wstring> why = SegmentsNotStoredAsWritten(Segments(destination.substr(root)))) {
    return DestinationReason(destination, *why);
  }
  return std::nullopt;
}
