#include "ui/QtHost.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

namespace tps::ui {

namespace {
QtHost::MessageHook& Hook() {
  static QtHost::MessageHook hook;
  return hook;
}
}  // namespace

void NameApplication() { QCoreApplication::setApplicationName(QStringLiteral("tpscalc")); }

bool LoadQtTranslations(const QLocale& locale) {
  // One translator for the life of the program; a later call replaces it.
  static QTranslator* installed = nullptr;
  auto* qt = new QTranslator(QCoreApplication::instance());
  if (!qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete qt;
    return false;
  }
  if (installed) {
    QCoreApplication::removeTranslator(installed);
    delete installed;
  }
  QCoreApplication::installTranslator(qt);
  installed = qt;
  return true;
}

void QtHost::SetMessageHook(MessageHook hook) { Hook() = std::move(hook); }

bool QtHost::ShowMessage(MsgKind kind, const std::string& text, MsgButtons buttons) {
  if (quiet) return buttons == MsgButtons::Ok;
  if (Hook()) return Hook()(kind, text, buttons);
  QMessageBox::Icon icon = kind == MsgKind::Warning ? QMessageBox::Warning
                           : kind == MsgKind::Error ? QMessageBox::Critical
                                                    : QMessageBox::Information;
  QMessageBox box(icon, QString::fromUtf8(kProgramName), QString::fromStdString(text),
                  QMessageBox::NoButton, parent_);
  if (buttons == MsgButtons::Cancel) {
    box.addButton(QMessageBox::Cancel);
  } else {
    box.addButton(QMessageBox::Ok);
    if (buttons == MsgButtons::OkCancel) box.addButton(QMessageBox::Cancel);
  }
  box.setObjectName("tpsMessageBox");
  return box.exec() == QMessageBox::Ok;
}

void QtHost::ProcessEvents() { QApplication::processEvents(); }

}  // namespace tps::ui
