#include <utility>

#include "platform/data_access.h"
#include "platform/error.h"
#include "platform/text.h"

void RecordSet::Open(const std::wstring& query, DbConnection& connection) {
  if (open_) throw AppError(kDataErrorGeneric, L"The record set is already open.");
  result_ = connection.Query(query);
  open_ = true;
  current_ = 0;
}

void RecordSet::Close() noexcept {
  result_ = QueryResult{};
  open_ = false;
  current_ = 0;
}

long RecordSet::RecordCount() const { return open_ ? static_cast<long>(result_.rows.size()) : 0; }

void RecordSet::MoveFirst() {
  if (!open_) throw AppError(kDataErrorObjectClosed, L"The record set is closed.");
  if (result_.rows.empty()) throw AppError(kDataErrorNoCurrentRecord, L"The record set holds no record.");
  current_ = 0;
}

const FieldValue& RecordSet::Value(std::wstring_view column) const {
  if (!open_) throw AppError(kDataErrorObjectClosed, L"The record set is closed.");
  const std::wstring wanted = AsciiUpper(column);
  for (size_t index = 0; index < result_.columns.size(); ++index) {
    if (AsciiUpper(result_.columns[index]) != wanted) continue;
    if (current_ >= result_.rows.size()) {
      throw AppError(kDataErrorNoCurrentRecord, L"There is no current record.");
    }
    return result_.rows[current_].at(index);
  }
  throw AppError(kDataErrorColumnNotFound,
                 L"The column \"" + std::wstring(column) + L"\" is not in the result of the query.");
}
