// A test double of the database: records every attempt and answers as a test sets it up.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/data_access.h"
#include "platform/error.h"
#include "platform/message_box.h"
#include "recorded_message_boxes.h"

struct FakeDatabase {
  // Returns the error of an attempt with this string, or nothing to let it open.
  std::function<std::optional<ErrorInfo>(const std::wstring&)> refuse;
  QueryResult result;
  std::optional<ErrorInfo> queryError;

  std::vector<std::wstring> attempts;
  std::vector<std::wstring> queries;
  int connectionsCreated = 0;
  int closesWhileOpen = 0;

  ConnectionFactory Factory();
};

class FakeConnection : public DbConnection {
 public:
  explicit FakeConnection(FakeDatabase& db) : db_(db) {}
  bool IsOpen() const override { return open_; }
  void Open(const std::wstring& text) override {
    if (open_) throw AppError(3705, L"Operation is not allowed when the object is open.");
    db_.attempts.push_back(text);
    if (db_.refuse) {
      if (auto error = db_.refuse(text)) throw AppError(*error);
    }
    open_ = true;
  }
  void Close() noexcept override {
    if (open_) ++db_.closesWhileOpen;
    open_ = false;
  }
  QueryResult Query(const std::wstring& sql) override {
    if (!open_) throw AppError(kDataErrorObjectClosed, L"closed");
    db_.queries.push_back(sql);
    if (db_.queryError) throw AppError(*db_.queryError);
    return db_.result;
  }

 private:
  FakeDatabase& db_;
  bool open_ = false;
};

inline ConnectionFactory FakeDatabase::Factory() {
  return [this] {
    ++connectionsCreated;
    return std::make_unique<FakeConnection>(*this);
  };
}
