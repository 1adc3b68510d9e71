// A row of ovantis.tblayar as the vendor proposes it, before it is written, and the statement
// that writes it.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "tools/check_release/checks.h"

struct ProposedRow {
  std::array<std::optional<std::wstring>, 5> dosya;
  std::optional<std::wstring> versite, model, versiyon;

  // The value of a column by its name; null for no such column.
  std::optional<std::wstring>* Column(std::string_view name);
  // As a shop's updater would read it once written.
  PublishedRow Published() const;
  // UPDATE ovantis.tblayar SET ...; every dosya slot, an empty one as NULL, so that no stale name
  // of the row it replaces stays; model and versiyon only when given.
  std::string Update() const;
};

// A value as an SQL literal that means the same bytes whatever the client's character set and
// sql_mode: plain quotes for printable ASCII without quote or backslash, else hexadecimal UTF-8.
std::string SqlLiteral(const std::optional<std::wstring>& value);
