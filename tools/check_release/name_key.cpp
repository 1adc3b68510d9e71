#include "tools/check_release/name_key.h"

#include <locale.h>
#include <wctype.h>

namespace {

// The one locale whose case tables do not depend on how the vendor's machine is set up.
locale_t CaseLocale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return locale;
}

}  // namespace

std::wstring PortableFileNameKey(std::wstring_view name) {
  const locale_t locale = CaseLocale();
  std::wstring key(name);
  for (wchar_t& c : key) {
    if (c == L'/') {
      c = L'\\';
    } else if (static_cast<unsigned long>(c) <= 0xFFFF) {
      c = locale ? towupper_l(static_cast<wint_t>(c), locale) : (c >= L'a' && c <= L'z' ? c - 32 : c);
    }
  }
  return key;
}
