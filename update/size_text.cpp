#include "update/size_text.h"

std::wstring SizeText(int64_t bytes, std::wstring_view thousandsSeparator) {
  // Integer arithmetic rounds exactly where a double would, and stays exact beyond 2^53.
  // A byte count is never negative; should one be, it shows as nothing fetched.
  const uint64_t count = bytes < 0 ? 0 : static_cast<uint64_t>(bytes);
  std::wstring digits = std::to_wstring(count / 1024 + (count % 1024 >= 512 ? 1 : 0));
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), L'0');

  std::wstring text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += thousandsSeparator;
    text += digits[i];
  }
  return text;
}
