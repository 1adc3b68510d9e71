#include "net/resume_record.h"

#include <vector>

#include "platform/text.h"

namespace {

constexpr char kFirstLine[] = "Zefra INDIR resume 1";

// The value of "key=value" on the line, when the line is that.
std::optional<std::string_view> Value(std::string_view line, std::string_view key) {
  if (!line.starts_with(key) || line.size() <= key.size() || line[key.size()] != '=') return std::nullopt;
  return line.substr(key.size() + 1);
}

}  // namespace

std::string ResumeRecordText(std::wstring_view address, const ResumePoint& point) {
  return std::string(kFirstLine) + "\nurl=" + EncodeUtf8(address) +
         "\nvalidator=" + EncodeUtf8(point.validator) + "\ntotal=" + std::to_string(point.total) + "\nend\n";
}

std::optional<ResumePoint> ParseResumeRecord(std::string_view text, std::wstring_view address) {
  std::vector<std::string_view> lines;
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find('\n', start);
    if (end == std::string_view::npos) return std::nullopt;  // torn: every line ends
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (lines.size() != 5 || lines[0] != kFirstLine || lines[4] != "end") return std::nullopt;
  const auto url = Value(lines[1], "url");
  const auto validator = Value(lines[2], "validator");
  const auto total = Value(lines[3], "total");
  const std::optional<uint64_t> length = total ? DecimalValue(*total) : std::nullopt;
  if (!url || !validator || !length) return std::nullopt;
  const std::optional<std::wstring> wideUrl = DecodeUtf8(*url);
  const std::optional<std::wstring> wideValidator = DecodeUtf8(*validator);
  if (!wideUrl || *wideUrl != address || !wideValidator || wideValidator->empty()) return std::nullopt;
  return ResumePoint{*wideValidator, *length};
}
