#include "tools/check_release/checks.h"

#include <optional>
#include <vector>

#include "install/file_name_rule.h"
#include "net/body_reader.h"
#include "net/file_address.h"
#include "tools/check_release/exe_release_key.h"
#include "tools/check_release/forms.h"
#include "tools/check_release/http_fetch.h"
#include "tools/check_release/name_key.h"
#include "trust/ecdsa_signature.h"
#include "trust/release_list.h"
#include "trust/release_order.h"

namespace {

// One named slot: the name as the run trims it, and its address as the run builds and sends it.
struct Slot {
  std::wstring column;  // "dosya3"
  std::wstring name;
  std::wstring address;
};

Slot SlotOf(const PublishedRow& row, size_t index, const std::wstring& name) {
  return Slot{L"dosya" + std::to_wstring(index + 1), name, RequestAddress(URL_OLUSTUR(row.baseUrl, name))};
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
  return text.size() >= prefix.size() && AsciiUpper(text.substr(0, prefix.size())) == AsciiUpper(prefix);
}

// The updater's ".exe" test: the name's last four characters, ASCII letters in any case.
bool EndsInExe(std::wstring_view name) {
  return name.size() >= 4 && AsciiUpper(name.substr(name.size() - 4)) == L".EXE";
}

// Which slots the run would fetch; a name it refuses now stops the start button before anything.
std::vector<Slot> CheckNames(const PublishedRow& row, Report& report) {
  std::vector<Slot> slots;
  for (size_t k = 0; k < row.files.size(); ++k) {
    const std::wstring name = TrimSpaces(row.files[k]);
    if (name.empty()) continue;
    if (std::optional<std::wstring> refused = FileNameOutsideFolder(name)) {
      report.Fail(L"dosya" + std::to_wstring(k + 1) +
                  L": the updater refuses the name, and then closes and fetches nothing at all: " + *refused);
    } else {
      slots.push_back(SlotOf(row, k, name));
    }
  }
  if (slots.empty()) report.Warn(L"the row names no file that the updater would fetch");
  return slots;
}

void CheckAddress(const std::wstring& baseUrl, Report& report) {
  if (StartsWithNoCase(baseUrl, L"https://")) return;
  if (StartsWithNoCase(baseUrl, L"http://")) {
    report.Warn(L"versite " + baseUrl + L" is plain http: files can be changed on the way");
  } else {
    report.Fail(L"versite " + baseUrl + L" is no http:// or https:// address");
  }
}

// What HTTP can tell of a file the server does not give.
std::wstring StatusHint(long status) {
  if (status == 403) {
    return L" (the web server may not read it: give files mode 0644 and folders 0755; 0600 gives 403 "
           L"under nginx and Apache; or a rule of the server forbids it)";
  }
  if (status == 404) {
    return L" (not at that address: upload it, mind the letter case on a Linux server; IIS also answers "
           L"404 for an extension it has no MIME type for)";
  }
  return L"";
}

// Why a fetch brought no usable answer; none when it did.
std::optional<std::wstring> FetchFailure(const Fetched& fetched, const std::wstring& address) {
  if (fetched.tooLarge) return L"larger than 1 MiB, no release list";
  if (!fetched.error.empty()) return L"no answer from " + address + L": " + Wide(fetched.error);
  if (std::optional<std::wstring> refused =
          StatusRefusal(static_cast<uint32_t>(fetched.status), Wide(fetched.reason))) {
    return *refused + L" from " + address + StatusHint(fetched.status);
  }
  return std::nullopt;
}

std::wstring LengthText(const Fetched& fetched) {
  return std::to_wstring(fetched.received) + L" bytes (declared " +
         (fetched.declared ? std::to_wstring(*fetched.declared) : std::wstring(L"none")) + L")";
}

std::wstring TypeText(const Fetched& fetched) {
  return fetched.contentType.empty() ? std::wstring(L"no content type") : Wide(fetched.contentType);
}

// One of the two release files, whole; none after a finding.
std::optional<std::string> FetchReleaseFile(const std::wstring& baseUrl, const std::wstring& name,
                                            Report& report) {
  const std::wstring address = RequestAddress(URL_OLUSTUR(baseUrl, name));
  std::string bytes;
  const Fetched fetched = Fetch(
      EncodeUtf8(address), [&](const char* data, size_t size) { bytes.append(data, size); },
      kReleaseFileLimit);
  if (std::optional<std::wstring> failure = FetchFailure(fetched, address)) {
    report.Fail(name + L": " + *failure + L" (the updater stops before any file)");
    return std::nullopt;
  }
  report.Fact("list", name + L" -> " + address + L": HTTP " + std::to_wstring(fetched.status) + L", " +
                          LengthText(fetched) + L", " + TypeText(fetched));
  return bytes;
}

// The signature, the list and its header as the keyed updater reads them, with the same code.
std::optional<ReleaseList> VerifiedList(const std::string& list, const std::string& signature,
                                        const ReleaseKey& key, const KeptRelease& live) {
  const EcdsaP256Signature rs = EcdsaP256FromDer(signature);
  if (!VerifyP256(key, list, rs)) {
    throw ReleaseRefused(
        L"İmza geçersiz: SHA256SUMS değiştirilmiş ya da başka bir anahtarla imzalanmış. "
        L"(signed with another key than " +
        ReleaseKeyFingerprint(Sha256Of(key.rawPoint)) + L", or changed after signing)");
  }
  VerifiedRelease release{ReleaseList::Parse(list, PortableFileNameKey), Sha256Of(list)};
  // A shop that never installed a signed release keeps 0: only the form and the product can fail.
  if (std::optional<std::wstring> refused = ReleaseOrderRefusal(release, live)) {
    throw ReleaseRefused(*refused + (live.number
                                         ? L" (the live release is " + std::to_wstring(live.number) +
                                               L": every shop that installed it would refuse this one)"
                                         : L""));
  }
  return std::move(release.list);
}

std::optional<ReleaseList> CheckList(const std::wstring& baseUrl, const ReleaseKey& key,
                                     const KeptRelease& live, Report& report, std::string& listText) {
  const std::optional<std::string> list = FetchReleaseFile(baseUrl, kReleaseListName, report);
  const std::optional<std::string> signature = FetchReleaseFile(baseUrl, kReleaseSignatureName, report);
  if (!list || !signature) return std::nullopt;
  listText = *list;
  try {
    std::optional<ReleaseList> verified = VerifiedList(*list, *signature, key, live);
    report.Fact("list", L"signature by " + ReleaseKeyFingerprint(Sha256Of(key.rawPoint)) +
                            L" holds; product \"" + verified->product().value_or(L"") + L"\", release " +
                            std::to_wstring(verified->release().value_or(0)) + L", " +
                            std::to_wstring(verified->size()) + L" files with their sizes");
    return verified;
  } catch (const ReleaseRefused& refused) {
    report.Fail(L"SHA256SUMS: " + refused.reason() + L" (the updater stops before any file)");
    return std::nullopt;
  }
}

// What the downloader would refuse of this body; with a list, also what the signed release refuses.
void CheckBody(const Slot& slot, const Fetched& fetched, const char head[2], const Sha256Digest& digest,
               const std::optional<ListedFile>& listed, Report& report) {
  const std::wstring file = slot.column + L" " + slot.name + L": ";
  if (!fetched.contentEncoding.empty() && AsciiUpper(Wide(fetched.contentEncoding)) != L"IDENTITY") {
    report.Fail(file + L"the server compressed the body unasked (Content-Encoding: " +
                Wide(fetched.contentEncoding) +
                L"); the updater would take the compressed bytes for the file");
  }
  if (fetched.received < 2) report.Fail(file + L"Sunucu boş veya eksik dosya döndürdü.");
  if (EndsInExe(slot.name) && fetched.received >= 2 && (head[0] != 'M' || head[1] != 'Z')) {
    report.Fail(file + L"Sunucu EXE yerine farklı içerik döndürdü (MZ başlığı yok). (" + TypeText(fetched) +
                L")");
  }
  if (!listed) return;
  if (fetched.declared && *fetched.declared != listed->size) {
    report.Fail(file + L"the server declares " + std::to_wstring(*fetched.declared) + L" bytes, the list " +
                std::to_wstring(listed->size) + L": the updater refuses another length");
  } else if (fetched.received != listed->size) {
    report.Fail(file + L"received " + std::to_wstring(fetched.received) + L" bytes, the list says " +
                std::to_wstring(listed->size));
  }
  if (digest != listed->digest) {
    report.Fail(file + L"Dosyanın SHA-256 özeti imzalı sürüm listesindekiyle uyuşmuyor (liste: " +
                DigestHex(listed->digest).substr(0, 16) + L"…, gelen: " + DigestHex(digest).substr(0, 16) +
                L"…). The file changed after signing: sign again and upload both together");
  }
}

void CheckFile(const Slot& slot, const std::optional<ReleaseList>& list, const ReleaseKey* key,
               Report& report) {
  std::optional<ListedFile> listed;
  if (list && !(listed = list->Find(slot.name))) {
    report.Fail(slot.column + L": Dosya imzalı sürüm listesinde yok: " + slot.name +
                L" (the updater stops before any file: put it in the folder and sign again)");
  }
  Sha256Stream hash;
  char head[2] = {};
  size_t seen = 0;
  const bool updater = PortableFileNameKey(slot.name) == PortableFileNameKey(L"Zefra INDIR.exe");
  std::string program;
  const Fetched fetched = Fetch(EncodeUtf8(slot.address), [&](const char* data, size_t size) {
    for (size_t i = 0; i < size && seen < 2; ++i) head[seen++] = data[i];
    hash.Add(data, size);
    if (updater) program.append(data, size);
  });
  const Sha256Digest digest = hash.Finish();
  if (std::optional<std::wstring> failure = FetchFailure(fetched, slot.address)) {
    report.Fail(slot.column + L" " + slot.name + L": " + *failure);
    return;
  }
  std::wstring facts = L"HTTP " + std::to_wstring(fetched.status) + L", " + LengthText(fetched);
  if (EndsInExe(slot.name)) facts += head[0] == 'M' && head[1] == 'Z' ? L", MZ" : L", no MZ";
  if (listed) facts += digest == listed->digest ? L", SHA-256 as listed" : L", SHA-256 not as listed";
  report.Fact("file", slot.column + L" " + slot.name + L" -> " + slot.address + L": " + facts + L", " +
                          TypeText(fetched));
  CheckBody(slot, fetched, head, digest, listed, report);
  if (updater) CheckUpdaterKey(slot.column + L" " + slot.name, program, key, report);
  if (fetched.etag.empty() && fetched.lastModified.empty()) {
    report.Warn(slot.column + L" " + slot.name +
                L": neither ETag nor Last-Modified; a cut download starts over");
  }
}

}  // namespace

void CheckRelease(const PublishedRow& row, const ReleaseKey* key, const KeptRelease& live, Report& report,
                  const std::vector<std::string>& patchBases) {
  CheckAddress(row.baseUrl, report);
  const std::vector<Slot> slots = CheckNames(row, report);
  std::optional<ReleaseList> list;
  std::string listText;
  if (key) list = CheckList(row.baseUrl, *key, live, report, listText);
  for (const Slot& slot : slots) CheckFile(slot, list, key, report);
  if (list) CheckForms(row.baseUrl, *list, listText, patchBases, report);
}

std::optional<KeptRelease> LiveRelease(const std::wstring& baseUrl, const ReleaseKey& key, Report& report) {
  std::string bytes[2];
  for (int k = 0; k < 2; ++k) {
    const std::wstring address =
        RequestAddress(URL_OLUSTUR(baseUrl, k ? kReleaseSignatureName : kReleaseListName));
    const Fetched fetched = Fetch(
        EncodeUtf8(address), [&](const char* data, size_t size) { bytes[k].append(data, size); },
        kReleaseFileLimit);
    if (fetched.error.empty() && fetched.status == 404) {
      report.Fact("live", address + L": HTTP 404; no signed list there, so shops keep no release from it");
      return KeptRelease{};
    }
    if (std::optional<std::wstring> failure = FetchFailure(fetched, address)) {
      report.Fail(L"the live release cannot be read to compare with: " + *failure);
      return std::nullopt;
    }
  }
  try {
    if (!VerifyP256(key, bytes[0], EcdsaP256FromDer(bytes[1]))) {
      report.Warn(L"the live list at " + baseUrl +
                  L" is not signed with this key: shops refused it, so it "
                  L"sets no release number to follow");
      return KeptRelease{};
    }
    const ReleaseList list = ReleaseList::Parse(bytes[0], PortableFileNameKey);
    report.Fact("live", L"release " + std::to_wstring(list.release().value_or(0)) + L" at " + baseUrl +
                            L": the release checked must be greater, or this very list");
    return KeptRelease{list.release().value_or(0), Sha256Of(bytes[0])};
  } catch (const ReleaseRefused& refused) {
    report.Warn(L"the live list at " + baseUrl + L" is refused by shops (" + refused.reason() +
                L"), so it sets no release number to follow");
    return KeptRelease{};
  }
}

void CheckUpdaterKey(const std::wstring& what, std::string_view program, const ReleaseKey* key,
                     Report& report) {
  std::optional<std::string> built;
  try {
    built = ReleaseKeyInProgram(program);
  } catch (const std::runtime_error& error) {
    report.Fail(what + L": " + Wide(error.what()));
    return;
  }
  const std::wstring wanted = key ? ReleaseKeyFingerprint(Sha256Of(key->rawPoint)) : L"";
  if (!built) {
    report.Fail(what +
                L": release key none: this updater installs unsigned releases at every shop that takes "
                L"it (build it with make dist RELEASE_KEY=vendor.pub.pem)");
  } else if (const std::wstring carried = ReleaseKeyFingerprint(Sha256Of(*built)); key && carried != wanted) {
    report.Fail(what + L": release key " + carried + L", not " + wanted +
                L" (--key): shops that take it would refuse every release signed with " + wanted);
  } else {
    report.Fact("key", what + L": release key " + carried);
  }
}
