#include "trust/release_list.h"

#include <algorithm>
#include <vector>

#include "platform/text.h"

namespace {

constexpr size_t kHexDigits = 64;

std::optional<Sha256Digest> ParseDigest(std::string_view hex) {
  Sha256Digest digest{};
  if (!HexBytes(hex, digest)) return std::nullopt;
  return digest;
}

// sha256sum writes a name that holds "\" or a line break with a leading "\" on its line and
// these two escaped; a line break in a file name is no file of ours.
std::optional<std::string> Unescape(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] != '\\') {
      out += name[i];
    } else if (i + 1 < name.size() && name[i + 1] == '\\') {
      out += '\\';
      ++i;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

[[noreturn]] void Malformed(size_t lineNumber, std::wstring_view what) {
  throw ReleaseRefused(L"SHA256SUMS satır " + std::to_wstring(lineNumber) + L" bozuk: " + std::wstring(what));
}

// A name as sha256sum writes it after the marker: escaped when its line began with "\".
std::wstring DecodeName(std::string_view written, bool escaped, size_t lineNumber) {
  std::optional<std::string> bytes(std::string{written});
  if (escaped) bytes = Unescape(*bytes);
  if (!bytes) Malformed(lineNumber, L"dosya adında geçersiz kaçış dizisi.");
  const std::optional<std::wstring> name = DecodeUtf8(*bytes);
  if (!name) Malformed(lineNumber, L"dosya adı geçerli UTF-8 değil.");
  if (std::any_of(name->begin(), name->end(), IsControlCharacter))
    Malformed(lineNumber, L"dosya adında denetim karakteri var.");
  return *name;
}

struct Entry {
  std::wstring name;
  Sha256Digest digest;
};

Entry ParseLine(std::string_view line, size_t lineNumber) {
  if (line.starts_with('#')) Malformed(lineNumber, L"başlık satırları özet satırlarından önce gelmeli.");
  const bool escaped = !line.empty() && line.front() == '\\';
  if (escaped) line.remove_prefix(1);
  if (line.size() < kHexDigits + 3) Malformed(lineNumber, L"özet, ayraç ve dosya adı beklenir.");
  const std::optional<Sha256Digest> digest = ParseDigest(line.substr(0, kHexDigits));
  if (!digest) Malformed(lineNumber, L"özet 64 onaltılık rakam olmalı.");
  const std::string_view marker = line.substr(kHexDigits, 2);
  if (marker != "  " && marker != " *") Malformed(lineNumber, L"özetten sonra \"  \" ya da \" *\" gelmeli.");
  return Entry{DecodeName(line.substr(kHexDigits + 2), escaped, lineNumber), *digest};
}

// Decimal digits without a leading zero (but "0" itself) that fit in 64 bits.
uint64_t ParseNumber(std::string_view digits, size_t lineNumber) {
  const wchar_t* const refused = L"sayı, başında sıfır olmadan, 64 bite sığan bir ondalık sayı olmalı.";
  const std::optional<uint64_t> value = DecimalValue(digits);
  if (!value || (digits.size() > 1 && digits[0] == '0')) Malformed(lineNumber, refused);
  return *value;
}

struct Header {
  std::optional<std::wstring> product;
  std::optional<uint64_t> release;
  std::map<std::wstring, std::pair<std::wstring, uint64_t>> sizes;  // by name key: name, bytes
};

// "# product NAME", "# release NUMBER" or "# size BYTES NAME", the name with "\" doubled.
void ReadHeaderLine(std::string_view line, size_t lineNumber, const FileNameKey& key, Header& header) {
  const size_t space = line.find(' ', 2);
  if (!line.starts_with("# ") || space == std::string_view::npos || space + 1 == line.size()) {
    Malformed(lineNumber, L"başlık satırı \"# anahtar değer\" biçiminde olmalı.");
  }
  const std::string_view name = line.substr(2, space - 2), value = line.substr(space + 1);
  const std::wstring shown = DecodeUtf8(name).value_or(L"?");
  const auto once = [&](bool seen) {
    if (seen) Malformed(lineNumber, L"\"" + shown + L"\" başlığı ikinci kez yazılmış.");
  };
  if (name == "product") {
    once(header.product.has_value());
    header.product = DecodeName(value, false, lineNumber);
  } else if (name == "release") {
    once(header.release.has_value());
    header.release = ParseNumber(value, lineNumber);
  } else if (name == "size") {
    const size_t gap = value.find(' ');
    if (gap == std::string_view::npos)
      Malformed(lineNumber, L"boyut satırı \"# size BAYT AD\" biçiminde olmalı.");
    const uint64_t bytes = ParseNumber(value.substr(0, gap), lineNumber);
    const std::wstring file = DecodeName(value.substr(gap + 1), true, lineNumber);
    if (!header.sizes.emplace(key(file), std::pair{file, bytes}).second) {
      Malformed(lineNumber, L"\"" + file + L"\" için ikinci bir boyut satırı var.");
    }
  } else {
    Malformed(lineNumber, L"bilinmeyen başlık \"" + shown + L"\".");
  }
}

// The lines without their LF or CRLF; a last line without its LF counts too.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

}  // namespace

ReleaseList ReleaseList::Parse(std::string_view text, FileNameKey key) {
  ReleaseList list(std::move(key));
  const std::vector<std::string_view> lines = Lines(text);
  Header header;
  size_t i = 0;
  for (; i < lines.size() && lines[i].starts_with('#'); ++i)
    ReadHeaderLine(lines[i], i + 1, list.key_, header);
  list.product_ = std::move(header.product);
  list.release_ = header.release;
  list.hasSizes_ = !header.sizes.empty();
  for (; i < lines.size(); ++i) {
    const Entry entry = ParseLine(lines[i], i + 1);
    const auto [file, added] = list.files_.emplace(list.key_(entry.name), ListedFile{entry.digest, 0});
    if (!added) throw ReleaseRefused(L"SHA256SUMS \"" + entry.name + L"\" adını iki kez içeriyor.");
    if (!list.hasSizes_) continue;
    const auto size = header.sizes.find(file->first);
    if (size == header.sizes.end()) {
      throw ReleaseRefused(L"SHA256SUMS \"" + entry.name + L"\" için boyut satırı içermiyor.");
    }
    file->second.size = size->second.second;
    header.sizes.erase(size);
  }
  if (!header.sizes.empty()) {
    throw ReleaseRefused(L"SHA256SUMS \"" + header.sizes.begin()->second.first +
                         L"\" için boyut veriyor ama özetini vermiyor.");
  }
  if (list.files_.empty()) throw ReleaseRefused(L"SHA256SUMS hiçbir dosya içermiyor.");
  return list;
}

bool ReleaseList::NamesBeginningWith(std::wstring_view prefix) const {
  const std::wstring key = key_(prefix);
  const auto next = files_.lower_bound(key);
  return next != files_.end() && next->first.starts_with(key);
}

std::optional<ListedFile> ReleaseList::Find(std::wstring_view name) const {
  const auto found = files_.find(key_(name));
  if (found == files_.end()) return std::nullopt;
  return found->second;
}
