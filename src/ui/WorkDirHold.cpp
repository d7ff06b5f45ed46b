#include "ui/WorkDirHold.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QProgressDialog>
#include <QSocketNotifier>
#include <QThread>

#include "ui/MainWindow.h"

namespace tps::ui {

bool HoldWorkDir(QWidget* parent, WorkDirLock& lock, const WorkDir& wd) {
  if (!lock.TryAcquire(wd)) {
    QProgressDialog wait(QString::fromUtf8(kWorkDirBusyMessage), QString::fromUtf8("Отмена"), 0, 0, parent);
    wait.setObjectName("workDirBusy");
    wait.setWindowModality(Qt::WindowModal);
    wait.setMinimumDuration(0);
    wait.show();
    const bool held = lock.Acquire(wd, [&wait] {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
      if (wait.wasCanceled()) return false;
      QThread::msleep(50);
      return true;
    });
    if (!held) return false;
  }
  RemoveStaleScratch(wd);
  return true;
}

namespace {

// The signal handler writes one byte into this pair; the window reads it in
// its event loop. The pair belongs to the process as the signals do.
int signalPair[2] = {-1, -1};

extern "C" void OnExitSignal(int) {
  const char c = 1;
  [[maybe_unused]] const ssize_t n = ::write(signalPair[0], &c, 1);
}

}  // namespace

void ExitOnSignals(MainWindow& window) {
  if (signalPair[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPair) != 0) return;
  auto* notifier = new QSocketNotifier(signalPair[1], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
    char c = 0;
    [[maybe_unused]] const ssize_t n = ::read(signalPair[1], &c, 1);
    window.ExitChosen();
  });
  struct sigaction sa {};
  sa.sa_handler = OnExitSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

}  // namespace tps::ui
