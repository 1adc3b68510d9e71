#include "install/elevated_placing.h"

#include <algorithm>

#include "platform/text.h"

namespace {

// Quotes one argument: backslashes are doubled only before a quote, as the parser reads them.
std::wstring Quoted(std::wstring_view argument) {
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

bool IsFullPath(std::wstring_view path) {
  const bool drive = path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
  const bool share = path.size() >= 3 && path.substr(0, 2) == L"\\\\";
  return drive || share;
}

// A folder path compared as Windows would: case-blind for ASCII, one trailing separator ignored.
std::wstring FolderKey(std::wstring_view path) {
  while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.remove_suffix(1);
  return AsciiUpper(path);
}

}  // namespace

std::wstring FormatElevatedCommandLine(const ElevatedPlacingRequest& request) {
  return std::wstring(kPlaceStagedSwitch) + L" " + Quoted(request.stagedFolder) + L" " +
         Quoted(request.programFolder) + L" " + Quoted(request.release);
}

std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
  std::vector<std::wstring> args;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
    if (i == line.size()) break;
    std::wstring arg;
    bool quoted = false;
    while (i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t'))) {
      size_t backslashes = 0;
      while (i < line.size() && line[i] == L'\\') ++backslashes, ++i;
      if (i < line.size() && line[i] == L'"') {
        arg.append(backslashes / 2, L'\\');
        if (backslashes % 2 == 1) arg += L'"';
        else quoted = !quoted;
        ++i;
      } else {
        arg.append(backslashes, L'\\');
        if (i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t'))) arg += line[i++];
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

ParsedPlacingCommand ParseElevatedCommandLine(std::wstring_view commandLine) {
  const std::vector<std::wstring> args = SplitCommandLine(commandLine);
  ParsedPlacingCommand parsed;
  parsed.isPlacingCopy = args.size() >= 2 && args[1] == kPlaceStagedSwitch;
  if (!parsed.isPlacingCopy || args.size() != 5) return parsed;
  ElevatedPlacingRequest request{args[2], args[3], args[4]};
  if (!IsFullPath(request.stagedFolder) || !IsFullPath(request.programFolder) ||
      request.release.empty() ||
      FolderKey(request.stagedFolder) == FolderKey(request.programFolder))
    return parsed;
  parsed.request = std::move(request);
  return parsed;
}

std::wstring ElevatedExitText(uint32_t exitCode) {
  switch (static_cast<ElevatedExit>(exitCode)) {
    case ElevatedExit::placed:
      return L"Dosyalar yerine kondu.";
    case ElevatedExit::badCommandLine:
      return L"Yönetici onayıyla başlatılan kopya eksik bilgiyle başladı; hiçbir dosya değişmedi.";
    case ElevatedExit::journalUnreadable:
      return L"İndirilen dosyaların listesi okunamadı; hiçbir dosya değişmedi.";
    case ElevatedExit::stagedFileChanged:
      return L"İndirilen bir dosya denetimden sonra değişmiş; hiçbir dosya değişmedi.";
    case ElevatedExit::placingRolledBack:
      return L"Dosyalar yerine konamadı; her dosya eski haline getirildi.";
    case ElevatedExit::programsStillRunning:
      return L"Açık program kapatılamadı; hiçbir dosya değişmedi.";
  }
  return L"Yönetici onayıyla başlatılan kopya beklenmeyen bir kodla bitti: " +
         std::to_wstring(exitCode) + L"; hiçbir dosya değişmedi.";
}

std::wstring StagingIdentity(std::span<const uint8_t> folderPathDigest) {
  return HexText(folderPathDigest.first(std::min<size_t>(8, folderPathDigest.size())), true);
}

std::wstring StagingFolder(std::wstring_view localAppData, std::wstring_view identity) {
  std::wstring folder(localAppData);
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder + L"Zefra INDIR\\" + std::wstring(identity);
}
