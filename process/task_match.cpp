#include "process/task_match.h"

bool TitleHasTarget(std::wstring_view upperTitle, std::wstring_view upperTarget) {
  if (upperTarget.find_first_not_of(L" \t\r\n") == std::wstring_view::npos) return false;
  return upperTitle.find(upperTarget) != std::wstring_view::npos;
}
