#include "install/placing_journal.h"

#include <set>

#include "platform/text.h"

namespace {

constexpr std::string_view kFirstLine = "zefra-indir placing journal 1";
constexpr std::string_view kLastLine = "end";

// A name as the journal may hold it: not empty, no control character (the tab separates fields).
std::optional<std::wstring> NameOf(std::string_view field) {
  std::optional<std::wstring> name = DecodeUtf8(field);
  if (!name || name->empty()) return std::nullopt;
  for (wchar_t c : *name) {
    if (IsControlCharacter(c)) return std::nullopt;
  }
  return name;
}

// "<sha256>\t<size>\t<hadOld>\t<target>\t<staged>\t<setAside>"
std::optional<PlacedFile> FileOf(std::string_view line) {
  const std::vector<std::string_view> fields = SplitText(line, '\t');
  if (fields.size() != 6 || (fields[2] != "0" && fields[2] != "1")) return std::nullopt;
  Sha256Digest digest{};
  const bool digestRead = HexBytes(fields[0], digest);
  const std::optional<uint64_t> size = DecimalValue(fields[1]);
  std::optional<std::wstring> target = NameOf(fields[3]);
  std::optional<std::wstring> staged = NameOf(fields[4]);
  std::optional<std::wstring> setAside = NameOf(fields[5]);
  if (!digestRead || !size || !target || !staged || !setAside) return std::nullopt;
  return PlacedFile{
      std::move(*target), std::move(*staged), std::move(*setAside), fields[2] == "1", *size, digest};
}

}  // namespace

std::string PlacingJournalText(const PlacingJournal& journal) {
  std::string text = std::string(kFirstLine) + "\n";
  for (const PlacedFile& file : journal) {
    text += EncodeUtf8(HexText(file.sha256)) + "\t" + std::to_string(file.size) + "\t" +
            (file.hadOld ? "1" : "0") + "\t" + EncodeUtf8(file.target) + "\t" + EncodeUtf8(file.staged) +
            "\t" + EncodeUtf8(file.setAside) + "\n";
  }
  return text + std::string(kLastLine) + "\n";
}

std::optional<PlacingJournal> ParsePlacingJournal(std::string_view text) {
  std::vector<std::string_view> lines = SplitText(text, '\n');
  // The last line ends in a line break: what follows it is empty, and nothing else may be.
  if (lines.size() < 3 || !lines.back().empty()) return std::nullopt;
  lines.pop_back();
  if (lines.front() != kFirstLine || lines.back() != kLastLine) return std::nullopt;
  PlacingJournal journal;
  std::set<std::wstring> names;
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    std::optional<PlacedFile> file = FileOf(lines[i]);
    if (!file || !names.insert(AsciiUpper(file->target)).second) return std::nullopt;
    journal.push_back(std::move(*file));
  }
  return journal;
}
