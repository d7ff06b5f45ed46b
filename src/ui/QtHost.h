// The engine's host in the window application: real message boxes and the
// window event pump.
#pragma once

#include <functional>

#include "params/host.h"

class QWidget;

namespace tps::ui {

class QtHost : public IHost {
 public:
  explicit QtHost(QWidget* parent) : parent_(parent) {}
  bool ShowMessage(MsgKind kind, const std::string& text, MsgButtons buttons) override;
  void ProcessEvents() override;
  void Notify(Changed c) override {
    if (onNotify) onNotify(c);
  }
  std::function<void(Changed)> onNotify;

 private:
  QWidget* parent_;
};

}  // namespace tps::ui
