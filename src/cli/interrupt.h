// SIGINT and SIGTERM as the "Стоп" of a command. The handler only notes the
// signal (and sets the stop of a study under way); a run sees it at its next
// step through the host's pump and ends as its stop ends it, the command
// cleans up its scratch and the process exits 128 + the signal (130 for
// SIGINT, 143 for SIGTERM).
#pragma once

#include <atomic>

namespace tps::cli {

void InstallInterruptHandlers();
// The signal caught so far, 0 when none.
int Interrupted();
// 128 + the signal caught.
int InterruptExitCode();
// "SIGINT" or "SIGTERM".
const char* InterruptName();

// While it lives, a signal also sets `stop` (the stop of a study); a signal
// caught before sets it at once.
class StopOnInterrupt {
 public:
  explicit StopOnInterrupt(std::atomic<bool>& stop);
  ~StopOnInterrupt();
  StopOnInterrupt(const StopOnInterrupt&) = delete;
  StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;
};

}  // namespace tps::cli
