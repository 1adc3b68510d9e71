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
