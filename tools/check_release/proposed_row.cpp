#include "tools/check_release/proposed_row.h"

#include "platform/text.h"

std::optional<std::wstring>* ProposedRow::Column(std::string_view name) {
  for (size_t k = 0; k < dosya.size(); ++k) {
    if (name == "dosya" + std::to_string(k + 1)) return &dosya[k];
  }
  if (name == "versite") return &versite;
  if (name == "model") return &model;
  if (name == "versiyon") return &versiyon;
  return nullptr;
}

PublishedRow ProposedRow::Published() const {
  PublishedRow row{versite.value_or(L""), {}};
  for (size_t k = 0; k < dosya.size(); ++k) row.files[k] = dosya[k].value_or(L"");
  return row;
}

std::string SqlLiteral(const std::optional<std::wstring>& value) {
  if (!value || value->empty()) return "NULL";
  const std::string bytes = EncodeUtf8(*value);
  bool plain = true;
  for (const unsigned char c : bytes) plain = plain && c >= 0x20 && c < 0x7F && c != '\'' && c != '\\';
  if (plain) return "'" + bytes + "'";
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string hex = "X'";
  for (const unsigned char c : bytes) hex += {kHex[c >> 4], kHex[c & 15]};
  return hex + "'";
}

std::string ProposedRow::Update() const {
  std::string set;
  for (size_t k = 0; k < dosya.size(); ++k) set += "dosya" + std::to_string(k + 1) + "=" + SqlLiteral(dosya[k]) + ", ";
  set += "versite=" + SqlLiteral(versite);
  if (model) set += ", model=" + SqlLiteral(model);
  if (versiyon) set += ", versiyon=" + SqlLiteral(versiyon);
  return "UPDATE ovantis.tblayar SET " + set + ";";
}
