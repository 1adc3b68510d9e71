// Records every message box instead of showing it, for as long as it lives; for native and
// Windows tests alike.
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "platform/message_box.h"

class RecordedMessageBoxes {
 public:
  // onShown also sees each box as it is asked for, e.g. to note what the window showed then.
  explicit RecordedMessageBoxes(std::function<void(const MessageBoxRequest&)> onShown = {})
      : onShown_(std::move(onShown)),
        previous_(SetMessageBoxHandler([this](const MessageBoxRequest& request) {
          shown_.push_back(request);
          if (onShown_) onShown_(request);
        })) {}
  ~RecordedMessageBoxes() { SetMessageBoxHandler(std::move(previous_)); }
  RecordedMessageBoxes(const RecordedMessageBoxes&) = delete;
  RecordedMessageBoxes& operator=(const RecordedMessageBoxes&) = delete;

  const std::vector<MessageBoxRequest>& shown() const { return shown_; }

 private:
  std::vector<MessageBoxRequest> shown_;
  std::function<void(const MessageBoxRequest&)> onShown_;
  MessageBoxHandler previous_;
};
