// Makes the current user of this Wine prefix trust a test certificate authority, in place of any
// earlier authority with the same name. The test fixture runs it in each test prefix at start;
// nothing of the host changes.
//   zefra_trust_test_authority AUTHORITY.der
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>

#include "platform/scoped_win.h"
#include "platform/win_error_win.h"

namespace {

struct CertStoreTraits {
  using Type = HCERTSTORE;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type h) noexcept { CertCloseStore(h, 0); }
};

struct CertContextTraits {
  using Type = PCCERT_CONTEXT;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type h) noexcept { CertFreeCertificateContext(h); }
};

std::string ReadAll(const wchar_t* path) {
  UniqueFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) ThrowLastError();
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

UniqueResource<CertStoreTraits> OpenUserRoot() {
  UniqueResource<CertStoreTraits> store(
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root"));
  if (!store) ThrowLastError();
  return store;
}

// Authorities of earlier fixture starts go, so the prefix trusts one test authority at a time.
int RemoveSameSubject(HCERTSTORE store, const CERT_NAME_BLOB& subject) {
  int removed = 0;
  while (PCCERT_CONTEXT old = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_NAME,
                                                         &subject, nullptr)) {
    if (!CertDeleteCertificateFromStore(old)) ThrowLastError();
    ++removed;
  }
  return removed;
}

void Trust(const std::string& der) {
  const auto* bytes = reinterpret_cast<const BYTE*>(der.data());
  const auto size = static_cast<DWORD>(der.size());
  UniqueResource<CertContextTraits> authority(CertCreateCertificateContext(X509_ASN_ENCODING, bytes, size));
  if (!authority) ThrowLastError();
  int removed = 0;
  {
    auto store = OpenUserRoot();
    removed = RemoveSameSubject(store.get(), authority.get()->pCertInfo->Subject);
    if (!CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, bytes, size,
                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
      ThrowLastError();
    }
    // Closing commits only the last reference; Wine keeps one for each deleted certificate.
    if (!CertControlStore(store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr)) ThrowLastError();
  }
  auto check = OpenUserRoot();
  UniqueResource<CertContextTraits> found(CertFindCertificateInStore(
      check.get(), X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, authority.get(), nullptr));
  if (!found) throw AppError(-1, L"the authority is not in the store after it was added");
  std::printf("trusted the test authority (%d earlier one(s) removed)\n", removed);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zefra_trust_test_authority AUTHORITY.der\n");
    return 2;
  }
  try {
    Trust(ReadAll(argv[1]));
    return 0;
  } catch (const AppError& error) {
    std::fwprintf(stderr, L"zefra_trust_test_authority: error %ld: %ls\n", static_cast<long>(error.info().number),
                  error.info().description.c_str());
    return 1;
  }
}
