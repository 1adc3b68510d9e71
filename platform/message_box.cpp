#include "platform/message_box.h"

#include <cstdio>
#include <utility>

namespace {

MessageBoxHandler& CurrentHandler() {
  static MessageBoxHandler handler;
  return handler;
}

}  // namespace

void ShowMessageBox(std::wstring text, std::wstring title, unsigned style) {
  const MessageBoxRequest request{std::move(text), std::move(title), style};
  if (const MessageBoxHandler& handler = CurrentHandler()) {
    handler(request);
    return;
  }
  std::fwprintf(stderr, L"[%ls] %ls\n", request.title.c_str(), request.text.c_str());
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  return std::exchange(CurrentHandler(), std::move(handler));
}
