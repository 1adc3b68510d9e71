// tools/check-release: the updater's own checks of a published release, run by the vendor before
// the row of ovantis.tblayar is changed. Exit 0: nothing found that would fail a shop's run;
// 1: such findings (lines "FAIL"); 2: the check itself could not be made.
#include <curl/curl.h>
#include <mysql.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tools/check_release/checks.h"
#include "tools/check_release/manifest_row.h"
#include "tools/check_release/proposed_row.h"
#include "tools/check_release/release_crypto.h"

namespace {

constexpr char kHelp[] =
    R"(Usage: tools/check-release [--key vendor.pub.pem] [--from-db HOST[:PORT] | --against URL] URL NAME...
       tools/check-release [--key vendor.pub.pem] [--from-db HOST[:PORT] | --against URL] --row 'ROW'
       tools/check-release [--key vendor.pub.pem] --from-db HOST[:PORT]
       tools/check-release [--key vendor.pub.pem] --program-key "Zefra INDIR.exe"
       each with [--patch-base DIR|URL]... (earlier releases, for the patches)

Checks a release as a shop's updater would meet it, with the updater's own code: each name
through its file-name rule, each address as it builds it, each file fetched once (status,
declared and received length, MZ for .exe, content type) and, with --key (the public key the
updater is built with), the signed list SHA256SUMS: signature, product, release number, sizes,
each file's SHA-256, and whether every name is listed. URL and NAME... stand as they would in
versite and dosya1..dosya5 (at most five names). A listed "Zefra INDIR.exe" (a new updater) must
carry a release key, and with --key that very key.

  --from-db HOST[:PORT]  alone: checks the live row itself, read with the updater's built-in
                         login (port 3306 unless given). With a release to check (URL NAME... or
                         --row): reads the live row's versite and its signed list, and fails a
                         release number that every shop which installed the live release would
                         refuse: not greater than the live one, or equal with another list.
  --against URL          the same comparison with the release folder at URL.
  --row 'dosya1=A;dosya2=B;versite=URL;versiyon=V;model=M'
                         a proposed row, before it is written: versite is needed, the other
                         columns may be left out (dosyaN then becomes NULL); a value cannot hold
                         ";". When nothing fails, prints the UPDATE statement that publishes it,
                         every empty slot set to NULL.
  --program-key FILE     the release key built into a Windows program file, by the fingerprint
                         that make dist and the updater's first log line give, or "none".
Exit status: 0 nothing found that would fail a shop's run; 1 such findings ("FAIL" lines);
2 the check could not be made (bad arguments, key file or database).
With --key, each compressed copy (NAME.zst) and patch (NAME.patch-H.zst) the list offers is
fetched, decoded with the updater's decoder and compared with NAME's listed size and SHA-256; a
patch needs its older file, from the first --patch-base release (a folder or URL) that holds it.

What it cannot judge from Linux: whether the shops' Windows trusts the server's certificate
(Windows' own certificate store and its root updates, not OpenSSL's), and whether Windows 7
reaches the server at all (it speaks TLS 1.2 only with its update, and a server that offers only
TLS 1.3 or ciphers Windows 7 lacks is refused there); try the address in a browser on such a PC.
Proxies, virus scanners and firewalls at the shops are not seen either.

Publishing a release, end to end (the vendor's guide has the full checklist):
  1. Put the release's files in a new folder (one folder per release, e.g. vuno/9.09/), the
     files exactly as they will be served; keep the folders of earlier releases.
  2. Sign it:  tools/sign-release [--release N] vendor.pem FOLDER   (options before KEY FOLDER)
  3. Upload the folder, SHA256SUMS and SHA256SUMS.sig included, in binary mode, to the web
     server; files readable by the server (0644, folders 0755).
  4. Check it against the live release before any shop sees it:
       tools/check-release --key vendor.pub.pem --from-db DBHOST \
           --row 'dosya1=Zefra VUNO.exe;dosya2=VunoRapor.dll;versite=https://guncelleme.example/vuno/9.09'
     and repeat until it exits 0.
  5. Only then run the UPDATE statement it printed.
  6. Check the row itself:  tools/check-release --key vendor.pub.pem --from-db DBHOST
Shops read the row once, when the updater opens: one already open goes on with the old row.
)";

struct Arguments {
  std::optional<std::string> keyFile;
  std::optional<std::string> database;  // HOST[:PORT]
  std::optional<std::string> against;   // a release folder's address
  std::optional<std::string> row;       // "dosya1=...;versite=..."
  std::optional<std::string> program;   // a program file whose release key is read
  std::vector<std::string> positional;
  std::vector<std::string> patchBases;  // earlier releases, folders or URLs
};

[[noreturn]] void Usage(const std::string& problem) {
  std::fprintf(stderr, "check-release: %s\n(tools/check-release --help tells how it is used)\n",
               problem.c_str());
  std::exit(2);
}

Arguments Parse(int argc, char** argv) {
  Arguments arguments;
  const std::pair<const char*, std::optional<std::string> Arguments::*> options[] = {
      {"--key", &Arguments::keyFile},
      {"--from-db", &Arguments::database},
      {"--against", &Arguments::against},
      {"--row", &Arguments::row},
      {"--program-key", &Arguments::program}};
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "-h" || argument == "--help") {
      std::fputs(kHelp, stdout);
      std::exit(0);
    }
    const auto* option = std::find_if(std::begin(options), std::end(options),
                                      [&](const auto& known) { return argument == known.first; });
    if (argument == "--patch-base" && i + 1 < argc) {
      arguments.patchBases.push_back(argv[++i]);
    } else if (option != std::end(options) && i + 1 < argc) {
      arguments.*(option->second) = argv[++i];
    } else if (argument.rfind("--", 0) == 0) {
      Usage("unknown option or missing value: " + argument);
    } else {
      arguments.positional.push_back(argument);
    }
  }
  const bool release = !arguments.positional.empty() || arguments.row;
  if (arguments.program) {
    if (release || arguments.database || arguments.against) Usage("--program-key takes no release to check");
    return arguments;
  }
  if (arguments.row && !arguments.positional.empty()) Usage("give either --row or URL and names, not both");
  if (arguments.database && arguments.against) Usage("compare with either --from-db or --against, not both");
  if (!release && !arguments.database) Usage("give the URL and at least one name, --row, or --from-db");
  if (!release && arguments.against) Usage("--against needs a release to check (URL NAME... or --row)");
  if (!arguments.positional.empty() && arguments.positional.size() < 2)
    Usage("give the URL and at least one name");
  if (arguments.positional.size() > 6) Usage("at most five names: the row has dosya1..dosya5");
  if (release && (arguments.database || arguments.against) && !arguments.keyFile)
    Usage("comparing with the live release needs --key: only signed releases carry a number");
  return arguments;
}

std::wstring Text(const std::string& argument) {
  std::optional<std::wstring> text = DecodeUtf8(argument);
  if (!text) Usage("\"" + argument + "\" is not UTF-8 text");
  return *text;
}

// The built-in login is in every updater, so anyone can read it out: it must change nothing.
void CheckGrants(const std::vector<std::string>& grants, Report& report) {
  for (const std::string& grant : grants) {
    const std::string upper = EncodeUtf8(AsciiUpper(Wide(grant)));
    const std::string statement = grant.substr(0, upper.find(" TO "));
    const bool usage = upper.rfind("GRANT USAGE ON ", 0) == 0;
    const bool tableRead = upper.rfind("GRANT SELECT ON `OVANTIS`.`TBLAYAR` ", 0) == 0;
    if ((!usage && !tableRead) || upper.find("WITH GRANT OPTION") != std::string::npos) {
      report.Warn(L"the updater's login may do more than read the row: " + Wide(statement) +
                  L" (give it SELECT on ovantis.tblayar only)");
    }
  }
}

// The row as the updater reads it; none when shops would not get as far as the start button.
std::optional<PublishedRow> FromDatabase(const std::string& where, Report& report) {
  const size_t colon = where.rfind(':');
  unsigned port = 3306;
  if (colon != std::string::npos) {
    const std::string digits = where.substr(colon + 1);
    const std::optional<uint64_t> number = digits.size() <= 5 ? DecimalValue(digits, 65535) : std::nullopt;
    if (!number || *number == 0) Usage("--from-db " + where + ": the port must be a number from 1 to 65535");
    port = static_cast<unsigned>(*number);
  }
  const ManifestRow row = ReadManifestRow(where.substr(0, colon), port);
  CheckGrants(row.grants, report);
  for (const std::string& problem : row.problems)
    report.Fail(L"tblayar: " + Wide(problem) + L"; shops see \"Dosya bilgisi alınamadı !\"");
  if (!row.problems.empty()) return std::nullopt;
  if (row.rows == 0) {
    report.Fail(
        L"tblayar has no row; shops see \"Veri tabanından güncellenecek dosyaların listesi alınamadı !\"");
    return std::nullopt;
  }
  if (row.rows > 1) {
    report.Fail(L"tblayar has " + std::to_wstring(row.rows) +
                L" rows; the updater takes whichever the server "
                L"sends first: keep exactly one");
  }
  report.Fact("row", L"Model: " + row.model + L", Versiyon: " + row.version + L", versite " + *row.baseUrl);
  return PublishedRow{*row.baseUrl, row.files};
}

// A proposed row: columns by name, every dosya slot not given left empty.
ProposedRow ParseRow(const std::string& text) {
  ProposedRow proposed;
  size_t from = 0;
  while (from <= text.size()) {
    const size_t end = std::min(text.find(';', from), text.size());
    const std::string field = text.substr(from, end - from);
    from = end + 1;
    if (field.empty()) continue;
    const size_t equals = field.find('=');
    const std::string column = field.substr(0, equals);
    std::optional<std::wstring>* value = equals == std::string::npos ? nullptr : proposed.Column(column);
    if (!value)
      Usage("--row: \"" + field + "\" is no column=value of dosya1..dosya5, versite, model, versiyon");
    if (*value) Usage("--row: " + column + " is given twice");
    *value = Text(field.substr(equals + 1));
  }
  if (!proposed.versite) Usage("--row: versite is missing");
  return proposed;
}

std::optional<PublishedRow> RowOf(const Arguments& arguments, const std::optional<ProposedRow>& proposed,
                                  Report& report) {
  if (proposed) return proposed->Published();
  if (arguments.positional.empty()) return FromDatabase(*arguments.database, report);
  PublishedRow row{Text(arguments.positional[0]), {}};
  for (size_t k = 1; k < arguments.positional.size(); ++k) row.files[k - 1] = Text(arguments.positional[k]);
  return row;
}

// What shops that installed the live release keep; none when it cannot be known.
std::optional<KeptRelease> Live(const Arguments& arguments, const ReleaseKey* key, Report& report) {
  const bool release = !arguments.positional.empty() || arguments.row;
  if (!release || (!arguments.database && !arguments.against)) return KeptRelease{};
  if (arguments.against) return LiveRelease(Text(*arguments.against), *key, report);
  const std::optional<PublishedRow> live = FromDatabase(*arguments.database, report);
  if (!live) return std::nullopt;
  return LiveRelease(live->baseUrl, *key, report);
}

int ProgramKey(const Arguments& arguments, const ReleaseKey* key) {
  std::ifstream file(*arguments.program, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (!file && !file.eof()) throw std::runtime_error("cannot read " + *arguments.program);
  Report report;
  CheckUpdaterKey(Text(*arguments.program), bytes, key, report);
  return report.failures() ? 1 : 0;
}

int Check(const Arguments& arguments) {
  std::optional<ProposedRow> proposed;
  if (arguments.row) proposed = ParseRow(*arguments.row);
  std::optional<ReleaseKey> key;
  if (arguments.keyFile) key = LoadReleaseKey(*arguments.keyFile);
  if (arguments.program) return ProgramKey(arguments, key ? &*key : nullptr);
  std::printf("check-release: %s\n",
              key ? ("release key " + EncodeUtf8(ReleaseKeyFingerprint(Sha256Of(key->rawPoint))) + " (from " +
                     *arguments.keyFile + ")")
                        .c_str()
                  : "no key given: checked as an updater built without one, which asks for no SHA256SUMS");
  Report report;
  const std::optional<KeptRelease> live = Live(arguments, key ? &*key : nullptr, report);
  std::optional<PublishedRow> row;
  if (live && (row = RowOf(arguments, proposed, report)))
    CheckRelease(*row, key ? &*key : nullptr, *live, report, arguments.patchBases);
  std::printf(report.failures()
                  ? "check-release: %d finding(s) would make a shop's run fail: do not change the row\n"
                  : "check-release: nothing found that would make a shop's run fail\n",
              report.failures());
  if (proposed && row && !report.failures())
    std::printf("check-release: the statement that publishes it:\n%s\n", proposed->Update().c_str());
  return report.failures() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  const Arguments arguments = Parse(argc, argv);
  if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
    std::fprintf(stderr, "check-release: libcurl could not start\n");
    return 2;
  }
  int status = 2;
  try {
    status = Check(arguments);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "check-release: %s\n", error.what());
  }
  curl_global_cleanup();
  mysql_library_end();
  return status;
}
