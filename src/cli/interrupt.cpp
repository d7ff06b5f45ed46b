#include "cli/interrupt.h"

#include <signal.h>

#include <csignal>

namespace tps::cli {

namespace {

// What a signal handler may touch: a flag of its own and a lock-free pointer
// to the stop flag of the study under way. They belong to the process as the
// signals do.
volatile std::sig_atomic_t caught = 0;
std::atomic<std::atomic<bool>*> studyStop{nullptr};
static_assert(std::atomic<std::atomic<bool>*>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "a signal handler stores only into lock-free atomics");

extern "C" void OnInterrupt(int sig) {
  caught = sig;
  if (std::atomic<bool>* stop = studyStop.load()) stop->store(true);
}

}  // namespace

void InstallInterruptHandlers() {
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  // System calls go on after the handler: the run sees the signal at its step.
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGINT, SIGTERM}) {
    // A signal ignored by whoever started the command (a job started in the
    // background by a shell, nohup) stays ignored.
    struct sigaction before {};
    if (sigaction(sig, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    sigaction(sig, &sa, nullptr);
  }
}

int Interrupted() {
  return caught;
}

int InterruptExitCode() {
  return 128 + caught;
}

const char* InterruptName() {
  return caught == SIGINT ? "SIGINT" : caught == SIGTERM ? "SIGTERM" : "signal";
}

StopOnInterrupt::StopOnInterrupt(std::atomic<bool>& stop) {
  studyStop.store(&stop);
  if (caught) stop.store(true);
}

StopOnInterrupt::~StopOnInterrupt() {
  studyStop.store(nullptr);
}

}  // namespace tps::cli
