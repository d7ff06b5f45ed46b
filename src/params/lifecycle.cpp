#include "params/lifecycle.h"

#include "params/persist.h"

namespace tps {

void StartUp(AppState& st, bool seedFromClock, bool emptyReport) {
  if (emptyReport) TruncateFile(st.Work, "final.txt");
  st.SchemeVariant = 0;
  st.Chart = ChartData();
  st.ShowPictures = true;
  st.VaryTrainCurrents = false;
  st.ModelTime = 0;
  st.Trains = TTrainSet();
  st.RunMode = ModeTest;
  if (seedFromClock) st.Rng.SeedFromClock();
  LoadGlobalFile(st);
  st.PauseRequested = false;
}

void ShutDown(AppState& st) {
  TruncateFile(st.Work, "final.txt");
  DeleteFile(st.Work, "final.txt");
}

}  // namespace tps
