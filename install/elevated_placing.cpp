#include "install/elevated_placing.h"

#include <algorithm>
#include <set>

#include "install/file_name_rule.h"
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

constexpr std::string_view kHandOverFirstLine = "zefra-indir hand-over 1";

// A name the placing copy may act on: UTF-8, no control character, inside the program's folder.
std::optional<std::wstring> SafeName(std::string_view field) {
  std::optional<std::wstring> name = DecodeUtf8(field);
  if (!name || TrimSpaces(*name).empty() || std::ranges::any_of(*name, IsControlCharacter) ||
      FileNameOutsideFolder(TrimSpaces(*name)))
    return std::nullopt;
  return name;
}

// "HEX\tSIZE\tNAME"
std::optional<HandedFile> HandedFileOf(std::string_view line) {
  const std::vector<std::string_view> fields = SplitText(line, '\t');
  if (fields.size() != 3) return std::nullopt;
  HandedFile file;
  const std::optional<uint64_t> size = DecimalValue(fields[1]);
  std::optional<std::wstring> name = SafeName(fields[2]);
  if (!HexBytes(fields[0], file.sha256) || !size || !name || *name != TrimSpaces(*name)) return std::nullopt;
  file.size = *size;
  file.name = std::move(*name);
  return file;
}

}  // namespace

std::string HandOverText(const HandOver& handOver) {
  std::string text = std::string(kHandOverFirstLine) + "\nkeyed " + (handOver.keyed ? "1" : "0") + "\n";
  for (const std::wstring& slot : handOver.slots) text += "slot\t" + EncodeUtf8(slot) + "\n";
  for (const HandedFile& file : handOver.files) {
    text += "file\t" + EncodeUtf8(HexText(file.sha256)) + "\t" + std::to_string(file.size) + "\t" +
            EncodeUtf8(file.name) + "\n";
  }
  return text + "end\n";
}

std::optional<HandOver> ParseHandOver(std::string_view text) {
  std::vector<std::string_view> lines = SplitText(text, '\n');
  if (lines.size() < 4 || !lines.back().empty()) return std::nullopt;
  lines.pop_back();
  if (lines[0] != kHandOverFirstLine || lines.back() != "end") return std::nullopt;
  if (lines[1] != "keyed 0" && lines[1] != "keyed 1") return std::nullopt;
  HandOver handOver;
  handOver.keyed = lines[1] == "keyed 1";
  std::set<std::wstring> names;
  for (size_t i = 2; i + 1 < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.starts_with("slot\t") && handOver.files.empty() && handOver.slots.size() < 5) {
      std::optional<std::wstring> slot = SafeName(line.substr(5));
      if (!slot) return std::nullopt;
      handOver.slots.push_back(std::move(*slot));
    } else if (line.starts_with("file\t")) {
      std::optional<HandedFile> file = HandedFileOf(line.substr(5));
      if (!file || !names.insert(AsciiUpper(file->name)).second) return std::nullopt;
      handOver.files.push_back(std::move(*file));
    } else {
      return std::nullopt;
    }
  }
  if (handOver.files.empty()) return std::nullopt;
  return handOver;
}

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
        if (backslashes % 2 == 1)
          arg += L'"';
        else
          quoted = !quoted;
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
  if (!IsFullPath(request.stagedFolder) || !IsFullPath(request.programFolder) || request.release.empty() ||
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
    case ElevatedExit::handOverUnreadable:
      return L"İndirilen dosyaların listesi okunamadı; hiçbir dosya değişmedi.";
    case ElevatedExit::stagedFileChanged:
      return L"İndirilen bir dosya denetimden sonra değişmiş; hiçbir dosya değişmedi.";
    case ElevatedExit::placingRolledBack:
      return L"Dosyalar yerine konamadı; her dosya eski haline getirildi.";
    case ElevatedExit::programsStillRunning:
      return L"Açık program kapatılamadı; hiçbir dosya değişmedi.";
  }
  return L"Yönetici onayıyla başlatılan kopya beklenmeyen bir kodla bitti: " + std::to_wstring(exitCode) +
         L"; hiçbir dosya değişmedi.";
}

std::wstring StagingIdentity(std::span<const uint8_t> folderPathDigest) {
  return HexText(folderPathDigest.first(std::min<size_t>(8, folderPathDigest.size())), true);
}

std::wstring StagingFolder(std::wstring_view localAppData, std::wstring_view identity) {
  std::wstring folder(localAppData);
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder + L"Zefra INDIR\\" + std::wstring(identity);
}
