#include "trust/release_list.h"

#include <vector>

#include "platform/text.h"

namespace {

constexpr size_t kHexDigits = 64;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<Sha256Digest> ParseDigest(std::string_view hex) {
  Sha256Digest digest{};
  for (size_t i = 0; i < digest.size(); ++i) {
    const int high = HexValue(hex[2 * i]);
    const int low = HexValue(hex[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    digest[i] = static_cast<uint8_t>(high << 4 | low);
  }
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

bool HasControlCharacter(std::wstring_view name) {
  for (const wchar_t c : name) {
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

[[noreturn]] void Malformed(size_t lineNumber, const wchar_t* what) {
  throw ReleaseRefused(L"SHA256SUMS satır " + std::to_wstring(lineNumber) + L" bozuk: " + what);
}

struct Entry {
  std::wstring name;
  Sha256Digest digest;
};

Entry ParseLine(std::string_view line, size_t lineNumber) {
  const bool escaped = !line.empty() && line.front() == '\\';
  if (escaped) line.remove_prefix(1);
  if (line.size() < kHexDigits + 3) Malformed(lineNumber, L"özet, ayraç ve dosya adı beklenir.");
  const std::optional<Sha256Digest> digest = ParseDigest(line.substr(0, kHexDigits));
  if (!digest) Malformed(lineNumber, L"özet 64 onaltılık rakam olmalı.");
  const std::string_view marker = line.substr(kHexDigits, 2);
  if (marker != "  " && marker != " *") Malformed(lineNumber, L"özetten sonra \"  \" ya da \" *\" gelmeli.");
  std::optional<std::string> bytes(std::string(line.substr(kHexDigits + 2)));
  if (escaped) bytes = Unescape(*bytes);
  if (!bytes) Malformed(lineNumber, L"dosya adında geçersiz kaçış dizisi.");
  const std::optional<std::wstring> name = DecodeUtf8(*bytes);
  if (!name) Malformed(lineNumber, L"dosya adı geçerli UTF-8 değil.");
  if (HasControlCharacter(*name)) Malformed(lineNumber, L"dosya adında denetim karakteri var.");
  return Entry{*name, *digest};
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
  for (size_t i = 0; i < lines.size(); ++i) {
    const Entry entry = ParseLine(lines[i], i + 1);
    if (!list.digests_.emplace(list.key_(entry.name), entry.digest).second) {
      throw ReleaseRefused(L"SHA256SUMS \"" + entry.name + L"\" adını iki kez içeriyor.");
    }
  }
  if (list.digests_.empty()) throw ReleaseRefused(L"SHA256SUMS hiçbir dosya içermiyor.");
  return list;
}

std::optional<Sha256Digest> ReleaseList::Find(std::wstring_view name) const {
  const auto found = digests_.find(key_(name));
  if (found == digests_.end()) return std::nullopt;
  return found->second;
}
