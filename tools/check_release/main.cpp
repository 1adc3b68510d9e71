// tools/check-release: the updater's own checks of a published release, run by the vendor before
// the row of ovantis.tblayar is changed. Exit 0: nothing found that would fail a shop's run;
// 1: such findings (lines "FAIL"); 2: the check itself could not be made.
#include <curl/curl.h>
#include <mysql.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/check_release/checks.h"
#include "tools/check_release/manifest_row.h"
#include "tools/check_release/release_crypto.h"

namespace {

constexpr char kHelp[] = R"(Usage: tools/check-release [--key vendor.pub.pem] URL NAME...
       tools/check-release [--key vendor.pub.pem] --from-db HOST[:PORT]
       either with [--patch-base DIR|URL]... (earlier releases, for the patches)

Checks a release as a shop's updater would meet it, with the updater's own code: each name
through its file-name rule, each address as it builds it, each file fetched once (status,
declared and received length, MZ for .exe, content type) and, with --key (the public key the
updater is built with), the signed list SHA256SUMS: signature, product, release number, sizes,
each file's SHA-256, and whether every name is listed. URL and NAME... stand as they would in
versite and dosya1..dosya5 (at most five names); --from-db reads them from the row itself
(port 3306 unless given), with the updater's built-in login.
Exit status: 0 nothing found that would fail a shop's run; 1 such findings ("FAIL" lines);
2 the check could not be made (bad arguments, key file or database).
With --key, each compressed copy (NAME.zst) and patch (NAME.patch-H.zst) the list offers is
fetched, decoded with the updater's decoder and compared with NAME's listed size and SHA-256; a
patch needs its older file, from the first --patch-base release (a folder or URL) that holds it.

Publishing a release, end to end:
  1. Put the release's files in a new folder (one folder per release, e.g. vuno/9.09/), the
     files exactly as they will be served; keep the folders of earlier releases.
  2. Sign it:  tools/sign-release vendor.pem FOLDER
  3. Upload the folder, SHA256SUMS and SHA256SUMS.sig included, in binary mode, to the web
     server; files readable by the server (0644, folders 0755).
  4. Check it before any shop sees it:
       tools/check-release --key vendor.pub.pem https://guncelleme.example/vuno/9.09 \
           "Zefra VUNO.exe" VunoRapor.dll
     and repeat until it exits 0.
  5. Only then change the row: versite to the new folder, dosya1..dosya5, versiyon.
  6. Check the row itself:  tools/check-release --key vendor.pub.pem --from-db DBHOST
Shops read the row once, when the updater opens: one already open goes on with the old row.
)";

struct Arguments {
  std::optional<std::string> keyFile;
  std::optional<std::string> database;  // HOST[:PORT]
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
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "-h" || argument == "--help") {
      std::fputs(kHelp, stdout);
      std::exit(0);
    } else if ((argument == "--key" || argument == "--from-db") && i + 1 < argc) {
      (argument == "--key" ? arguments.keyFile : arguments.database) = argv[++i];
    } else if (argument == "--patch-base" && i + 1 < argc) {
      arguments.patchBases.push_back(argv[++i]);
    } else if (argument.rfind("--", 0) == 0) {
      Usage("unknown option or missing value: " + argument);
    } else {
      arguments.positional.push_back(argument);
    }
  }
  if (arguments.database ? !arguments.positional.empty() : arguments.positional.size() < 2)
    Usage(arguments.database ? "--from-db takes no URL or names" : "give the URL and at least one name");
  if (arguments.positional.size() > 6) Usage("at most five names: the row has dosya1..dosya5");
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
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos ||
        std::stoul(digits) == 0 || std::stoul(digits) > 65535)
      Usage("--from-db " + where + ": the port must be a number from 1 to 65535");
    port = static_cast<unsigned>(std::stoul(digits));
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

std::optional<PublishedRow> RowOf(const Arguments& arguments, Report& report) {
  if (arguments.database) return FromDatabase(*arguments.database, report);
  PublishedRow row{Text(arguments.positional[0]), {}};
  for (size_t k = 1; k < arguments.positional.size(); ++k) row.files[k - 1] = Text(arguments.positional[k]);
  return row;
}

int Check(const Arguments& arguments) {
  std::optional<ReleaseKey> key;
  if (arguments.keyFile) key = LoadReleaseKey(*arguments.keyFile);
  std::printf("check-release: %s\n",
              key ? ("release key " + EncodeUtf8(ReleaseKeyFingerprint(Sha256Of(key->rawPoint))) + " (from " +
                     *arguments.keyFile + ")")
                        .c_str()
                  : "no key given: checked as an updater built without one, which asks for no SHA256SUMS");
  Report report;
  if (std::optional<PublishedRow> row = RowOf(arguments, report))
    CheckRelease(*row, key ? &*key : nullptr, report, arguments.patchBases);
  std::printf(report.failures()
                  ? "check-release: %d finding(s) would make a shop's run fail: do not change the row\n"
                  : "check-release: nothing found that would make a shop's run fail\n",
              report.failures());
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
