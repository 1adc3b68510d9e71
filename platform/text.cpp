#include "platform/text.h"

#include <cwchar>

std::wstring TrimSpaces(std::wstring_view text) {
  const size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return {};
  const size_t last = text.find_last_not_of(L' ');
  return std::wstring(text.substr(first, last - first + 1));
}

std::wstring AsciiUpper(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return out;
}

std::wstring TrimTrailingWhitespace(std::wstring_view text) {
  size_t end = text.size();
  while (end > 0 && (text[end - 1] == L' ' || text[end - 1] == L'\t' || text[end - 1] == L'\r' ||
                     text[end - 1] == L'\n')) {
    --end;
  }
  return std::wstring(text.substr(0, end));
}

namespace {

// The length of the sequence that a lead byte starts (0 for no lead byte) and its payload bits.
size_t Utf8Lead(unsigned char byte, char32_t& value) {
  struct Form {
    unsigned char mask, lead;
    size_t length;
  };
  static constexpr Form kForms[] = {{0x80, 0x00, 1}, {0xE0, 0xC0, 2}, {0xF0, 0xE0, 3}, {0xF8, 0xF0, 4}};
  for (const Form& form : kForms) {
    if ((byte & form.mask) == form.lead) {
      value = byte & static_cast<unsigned char>(~form.mask);
      return form.length;
    }
  }
  return 0;
}

void AppendCodePoint(std::wstring& out, char32_t value) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (value > 0xFFFF) {
      value -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (value >> 10));
      out += static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
      return;
    }
  }
  out += static_cast<wchar_t>(value);
}

}  // namespace

std::optional<std::wstring> DecodeUtf8(std::string_view bytes) {
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  std::wstring out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    char32_t value = 0;
    const size_t length = Utf8Lead(static_cast<unsigned char>(bytes[i]), value);
    if (length == 0 || bytes.size() - i < length) return std::nullopt;
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      value = (value << 6) | (next & 0x3F);
    }
    if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
      return std::nullopt;
    }
    AppendCodePoint(out, value);
    i += length;
  }
  return out;
}

std::string EncodeUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      const bool high = c >= 0xD800 && c <= 0xDBFF;
      const bool paired = high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
      if (paired) {
        c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[++i]) - 0xDC00);
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        c = 0xFFFD;
      }
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    const int extra = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    static constexpr unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(kLead[extra] | (c >> (6 * extra)));
    for (int k = extra - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
  }
  return out;
}

bool IsControlCharacter(wchar_t c) { return c < 0x20 || c == 0x7F; }

std::wstring CodePointText(wchar_t c) {
  wchar_t code[16];
  std::swprintf(code, 16, L"U+%04X", static_cast<unsigned>(c));
  return code;
}

std::wstring VisibleText(std::wstring_view text) {
  std::wstring visible;
  visible.reserve(text.size());
  for (const wchar_t c : text) {
    if (IsControlCharacter(c)) {
      visible += L"<" + CodePointText(c) + L">";
    } else {
      visible += c;
    }
  }
  return visible;
}

bool IsAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

namespace {

template <typename Char>
std::optional<uint64_t> DigitsValue(std::basic_string_view<Char> digits, uint64_t max) {
  if (digits.empty()) return std::nullopt;
  uint64_t value = 0;
  for (const Char c : digits) {
    if (!IsAsciiDigit(static_cast<wchar_t>(c))) return std::nullopt;
    const auto digit = static_cast<uint64_t>(c - Char('0'));
    if (value > (max - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace

std::optional<uint64_t> DecimalValue(std::string_view digits, uint64_t max) {
  return DigitsValue(digits, max);
}
std::optional<uint64_t> DecimalValue(std::wstring_view digits, uint64_t max) {
  return DigitsValue(digits, max);
}

int HexDigitValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

std::wstring HexText(std::span<const uint8_t> bytes, bool upper) {
  const wchar_t* digits = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
  std::wstring hex;
  hex.reserve(bytes.size() * 2);
  for (const uint8_t byte : bytes) {
    hex += digits[byte >> 4];
    hex += digits[byte & 0x0F];
  }
  return hex;
}

bool HexBytes(std::string_view hex, std::span<uint8_t> out) {
  if (hex.size() != out.size() * 2) return false;
  for (size_t i = 0; i < out.size(); ++i) {
    const int high = HexDigitValue(static_cast<unsigned char>(hex[2 * i]));
    const int low = HexDigitValue(static_cast<unsigned char>(hex[2 * i + 1]));
    if (high < 0 || low < 0) return false;
    out[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return true;
}

std::vector<std::string_view> SplitText(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (size_t start = 0;;) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}
