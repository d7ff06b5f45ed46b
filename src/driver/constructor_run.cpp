#include "driver/constructor_run.h"

#include <cmath>

#include "circuit/constructor.h"
#include "circuit/numbering.h"
#include "driver/runs.h"
#include "params/conv.h"
#include "solver/solve.h"
#include "validation/checks.h"

namespace tps {

RunOutcome StartConstructorRun(AppState& st, const std::string& file) {
  ConstructorSession& s = Constructor(st);
  const std::vector<std::string> items = s.ChartItems();
  const std::vector<std::string> lists[4] = {items, items, items, items};
  if (CheckChartCircles(st, s.Charts, lists) != 0) {
    s.WizardStep = 4;
    return RunOutcome::Refused;
  }
  if (s.Template.CircleCount == 0) {
    st.Message(MsgKind::Warning, "В схеме нет ни одного Циркла");
    return RunOutcome::Refused;
  }
  // The trains run along the zone of the main window: a graph made for
  // another length would leave them beyond the ends of its chains.
  const double length = s.Template.Circles[0]->Length;
  double zone = 0;
  if (!TryStrToFloat(st.Params.ZoneLength.Get(), zone) || std::fabs(zone - length) > 1e-9) {
    st.Message(MsgKind::Warning, "Этот Граф создан для длины " + FloatToStr(length) + " км, а длина зоны " +
                                     st.Params.ZoneLength.Get() + " км");
    return RunOutcome::Refused;
  }
  Number(s.Template);
  st.RunMode = ModeConstructor;
  return StartScheduleRun(st, file);
}

void PrepareConstructorRun(AppState& st) {
  ConstructorSession& s = Constructor(st);
  ReleaseConstructorRun(st);
  if (!s.Template.Numbered) Number(s.Template);
  // Fed from substation A only: substation B stands open in the kept
  // solution as in every step.
  if (s.Console)
    for (auto& c : s.Template.Circles) c->Branches[c->BranchCount]->Z = TComplex{9999999999.0, 0};
  st.Circuit = StepCircuit();
  BuildMatrices(st, s.Template);
  StepCircuit& sc = st.Circuit;
  sc.LoopCount = sc.BranchCount - sc.NodeCount;
  sc.NodeTrain.assign(static_cast<size_t>(sc.NodeCount), 0);
  const uint32_t steps = st.StepCount;
  const double loss = st.StepLoss;
  StepResult r = SolveAndKeep(st);
  st.StepCount = steps;
  st.StepLoss = loss;
  s.KeptCurrents = r.I;
  s.KeptPotentials = r.Phi;
  s.KeptLoss = r.S;
  s.Kept = true;
}

void ReleaseConstructorRun(AppState& st) {
  if (!st.UserScheme) return;
  ConstructorSession& s = *st.UserScheme;
  s.KeptCurrents.Release();
  s.KeptPotentials.Release();
  s.KeptLoss.Release();
  s.Kept = false;
  s.Current.reset();
}

}  // namespace tps
