// A long operation on the window's thread (the update run). While busy the window takes no
// input but the user's way out: closing asks the operation to stop, and it ends the program
// once it has.
#pragma once

#include <windows.h>

#include <functional>

class BusyPump {
 public:
  void Begin();
  // Drops whatever input queued up meanwhile, so that no click acts afterwards.
  void End();
  bool Busy() const { return busy_; }
  bool CancelRequested() const { return cancelRequested_; }
  void RequestCancel() { cancelRequested_ = true; }

  // Handles paint and other waiting messages and the way out, dropping any other keyboard and
  // mouse input. handleKeys is the window's key handling (true: used); input to closeButton
  // (pressed, or Space on it) still acts.
  void Pump(const std::function<bool(const MSG&)>& handleKeys, HWND closeButton);

 private:
  bool busy_ = false;
  bool cancelRequested_ = false;
};
