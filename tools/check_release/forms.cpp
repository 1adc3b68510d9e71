#include "tools/check_release/forms.h"

#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <utility>

#include "install/zstd_decode.h"
#include "tools/check_release/http_fetch.h"
#include "tools/check_release/release_crypto.h"
#include "net/file_address.h"

namespace {

constexpr std::wstring_view kCopySuffix = L".zst";
constexpr std::wstring_view kPatchInfix = L".patch-";
constexpr size_t kHexDigits = 64;

// A form the list offers: its own name, the file it decodes to, and for a patch the older file's digest.
struct Form {
  std::wstring name, file;
  std::optional<std::wstring> from;  // lower-case hex
};

// The names of the list's digest lines, as sha256sum -c reads them ("\" escapes undone).
std::vector<std::wstring> ListedNames(std::string_view text) {
  std::vector<std::wstring> names;
  for (size_t start = 0, end; start < text.size(); start = end + 1) {
    end = std::min(text.find('\n', start), text.size());
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const bool escaped = !line.empty() && line.front() == '\\';
    if (escaped) line.remove_prefix(1);
    if (line.empty() || line.front() == '#' || line.size() < kHexDigits + 3) continue;
    std::string name;
    for (size_t i = kHexDigits + 2; i < line.size(); ++i) {
      if (escaped && line[i] == '\\' && i + 1 < line.size()) {
        name += line[++i] == 'n' ? '\n' : line[i];
      } else {
        name += line[i];
      }
    }
    if (std::optional<std::wstring> wide = DecodeUtf8(name)) names.push_back(*wide);
  }
  return names;
}

bool IsLowerHex(std::wstring_view text) {
  return text.size() == kHexDigits && text.find_first_not_of(L"0123456789abcdef") == std::wstring_view::npos;
}

// What a listed name is a form of, when the list also names the file it stands for.
std::optional<Form> FormOf(const std::wstring& name, const ReleaseList& list) {
  if (!name.ends_with(kCopySuffix)) return std::nullopt;
  const std::wstring stem = name.substr(0, name.size() - kCopySuffix.size());
  const size_t infix = stem.size() >= kPatchInfix.size() + kHexDigits
                           ? stem.size() - kHexDigits - kPatchInfix.size()
                           : std::wstring::npos;
  if (infix != std::wstring::npos && stem.compare(infix, kPatchInfix.size(), kPatchInfix) == 0 &&
      IsLowerHex(std::wstring_view(stem).substr(infix + kPatchInfix.size())) &&
      list.Find(stem.substr(0, infix))) {
    return Form{name, stem.substr(0, infix), stem.substr(infix + kPatchInfix.size())};
  }
  if (list.Find(stem)) return Form{name, stem, std::nullopt};
  return std::nullopt;
}

bool IsUrl(const std::string& place) { return place.starts_with("http://") || place.starts_with("https://"); }

// A whole file from an address, bounded by limit; none, with the reason in failure, when it is not had.
std::optional<std::string> FetchWhole(const std::wstring& address, uint64_t limit, std::wstring& failure) {
  std::string bytes;
  const Fetched fetched = Fetch(
      EncodeUtf8(address), [&](const char* data, size_t size) { bytes.append(data, size); }, limit);
  if (!fetched.error.empty()) {
    failure = L"no answer from " + address + L": " + Wide(fetched.error);
  } else if (fetched.tooLarge) {
    failure = L"larger than its listed " + std::to_wstring(limit) + L" bytes at " + address;
  } else if (fetched.status != 200) {
    failure = L"HTTP " + std::to_wstring(fetched.status) + L" " + Wide(fetched.reason) + L" from " + address;
  } else {
    return bytes;
  }
  return std::nullopt;
}

// The file of an earlier release, from its folder or its web address; none when it is not there.
std::optional<std::string> EarlierFile(const std::string& release, const std::wstring& name) {
  if (IsUrl(release)) {
    std::wstring ignored;
    return FetchWhole(RequestAddress(URL_OLUSTUR(Wide(release), name)), 0, ignored);
  }
  std::string path = release + "/" + EncodeUtf8(name);
  for (char& c : path) c = c == '\\' ? '/' : c;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class FormChecker {
 public:
  FormChecker(const std::wstring& baseUrl, const ReleaseList& list,
              const std::vector<std::string>& patchBases, Report& report)
      : baseUrl_(baseUrl), list_(list), patchBases_(patchBases), report_(report) {}

  void Check(const Form& form) {
    const std::wstring label =
        form.from ? form.file + L".patch-" + form.from->substr(0, 12) + L"….zst" : form.name;
    std::optional<std::string> reference;
    if (form.from && !(reference = Reference(form.file, *form.from))) {
      report_.Warn(label + L": not checked: " +
                   (patchBases_.empty()
                        ? std::wstring(L"give the earlier releases with --patch-base DIR|URL")
                        : L"no --patch-base release holds " + form.file + L" with that SHA-256"));
      return;
    }
    const ListedFile listed = *list_.Find(form.name);
    const std::wstring address = RequestAddress(URL_OLUSTUR(baseUrl_, form.name));
    std::wstring failure;
    const std::optional<std::string> body = FetchWhole(address, listed.size, failure);
    if (!body) return Fail(label, failure);
    if (body->size() != listed.size || Sha256Of(*body) != listed.digest)
      return Fail(label, L"not the bytes the list names (changed after signing?) at " + address);
    const ListedFile file = *list_.Find(form.file);
    std::string output(static_cast<size_t>(file.size), '\0');
    const ZstdDecoded decoded = DecodeZstdFrame(*body, output, reference ? *reference : std::string_view());
    if (!decoded.ok()) return Fail(label, L"does not decode: " + Wide(decoded.error));
    if (decoded.written != file.size || Sha256Of(output) != file.digest)
      return Fail(label,
                  L"decodes to " + std::to_wstring(decoded.written) + L" bytes that are not " + form.file);
    report_.Fact("form", label + L" -> " + address + L": " + std::to_wstring(listed.size) +
                             L" bytes, decodes to " + form.file + L" as listed (" +
                             std::to_wstring(file.size) + L" bytes)");
  }

 private:
  void Fail(const std::wstring& label, const std::wstring& reason) {
    report_.Fail(label + L": " + reason +
                 L"; shops would fetch it in vain, then the next form: sign the folder again");
  }

  // The older file a patch applies to: the first earlier release whose file has that digest.
  std::optional<std::string> Reference(const std::wstring& file, const std::wstring& digest) {
    for (const std::string& release : patchBases_) {
      auto [held, added] = earlier_.try_emplace({release, file});
      if (added) {
        if (std::optional<std::string> bytes = EarlierFile(release, file))
          held->second = Earlier{DigestHex(Sha256Of(*bytes)), std::move(*bytes)};
      }
      if (held->second && held->second->digest == digest) return held->second->bytes;
    }
    return std::nullopt;
  }

  struct Earlier {
    std::wstring digest;
    std::string bytes;
  };

  const std::wstring& baseUrl_;
  const ReleaseList& list_;
  const std::vector<std::string>& patchBases_;
  Report& report_;
  std::map<std::pair<std::string, std::wstring>, std::optional<Earlier>> earlier_;  // by release and name
};

}  // namespace

void CheckForms(const std::wstring& baseUrl, const ReleaseList& list, std::string_view listText,
                const std::vector<std::string>& patchBases, Report& report) {
  FormChecker checker(baseUrl, list, patchBases, report);
  for (const std::wstring& name : ListedNames(listText)) {
    if (std::optional<Form> form = FormOf(name, list)) checker.Check(*form);
  }
}
