#include "settings/number_text.h"

#include <string>

#include "platform/text.h"

namespace {

// A decimal number taken apart: sign, whole digits without leading zeros, fraction digits.
struct DecimalText {
  bool negative = false;
  std::wstring whole;
  std::wstring fraction;
};

std::optional<DecimalText> ParseDecimal(std::wstring_view text) {
  while (!text.empty() && (text.front() == L' ' || text.front() == L'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\t')) text.remove_suffix(1);
  DecimalText number;
  if (!text.empty() && (text.front() == L'+' || text.front() == L'-')) {
    number.negative = text.front() == L'-';
    text.remove_prefix(1);
  }
  size_t i = 0;
  while (i < text.size() && IsAsciiDigit(text[i])) number.whole += text[i++];
  if (i < text.size() && text[i] == L'.') {
    for (++i; i < text.size() && IsAsciiDigit(text[i]); ++i) number.fraction += text[i];
  }
  if (i != text.size() || (number.whole.empty() && number.fraction.empty())) return std::nullopt;
  number.whole.erase(0, number.whole.find_first_not_of(L'0'));
  number.fraction.erase(number.fraction.find_last_not_of(L'0') + 1);
  return number;
}

}  // namespace

std::optional<int16_t> ToDriverSelector(std::wstring_view text) {
  const auto number = ParseDecimal(text);
  if (!number || number->whole.size() > 5) return std::nullopt;
  long value = number->whole.empty() ? 0 : static_cast<long>(*DecimalValue(number->whole));
  // Round by the fraction's digits, exactly: above one half up, a plain half to the even side.
  const std::wstring& fraction = number->fraction;
  if (!fraction.empty()) {
    const bool aboveHalf = fraction[0] > L'5' || (fraction[0] == L'5' && fraction.size() > 1);
    const bool half = fraction == L"5";
    if (aboveHalf || (half && value % 2 == 1)) ++value;
  }
  if (number->negative) value = -value;
  if (value < INT16_MIN || value > INT16_MAX) return std::nullopt;
  return static_cast<int16_t>(value);
}

std::optional<bool> IsNumberTwo(std::wstring_view text) {
  const auto number = ParseDecimal(text);
  if (!number) return std::nullopt;
  return !number->negative && number->whole == L"2" && number->fraction.empty();
}
