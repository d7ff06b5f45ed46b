// The engine's host in the window application: real message boxes of the
// kind asked for, the window event pump, and the change notices that let the
// windows show the state again.
#pragma once

#include <functional>
#include <string>

#include "params/host.h"

class QLocale;
class QWidget;

namespace tps::ui {

// The program's name, the title of its message boxes.
inline constexpr const char* kProgramName = "Расчет схем электроснабжения";

// Names the application at start-up. It sets no display name: the window
// system would append one to every title ("caption — name"), and each window
// is titled by its own caption alone.
void NameApplication();

// Qt's own texts (the file dialogs' "Папка", "Имя файла", the buttons
// "Отмена", "Сохранить") in the language of `locale`, from Qt's translations
// installed with the system; false when there are none for it (the texts stay
// English). The program's own texts are Russian whatever the locale.
bool LoadQtTranslations(const QLocale& locale);

class QtHost : public IHost {
 public:
  // Replaces the message boxes of every host, e.g. by a recorder in the window
  // tests; an empty hook restores the real boxes. Returns the user's answer.
  using MessageHook = std::function<bool(MsgKind, const std::string&, MsgButtons)>;
  static void SetMessageHook(MessageHook hook);

  explicit QtHost(QWidget* parent) : parent_(parent) {}
  bool ShowMessage(MsgKind kind, const std::string& text, MsgButtons buttons) override;
  void ProcessEvents() override;
  void Notify(Changed c) override {
    if (onNotify) onNotify(c);
  }
  std::function<void(Changed)> onNotify;
  // The program is ending: no box is shown any more; an OK box counts as
  // seen, a question as cancelled.
  bool quiet = false;

 private:
  QWidget* parent_;
};

}  // namespace tps::ui
