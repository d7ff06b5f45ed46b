// The solution of one step by the matrix method: branch currents from
// [M; N Z] I = [J; N E], node potentials, the power loss, and the run's
// accumulators (loss and supplied energy, voltage extremes, chart data).
#pragma once

#include "params/state.h"

namespace tps {

// The step's results: conjugated branch currents, node potentials, loss product.
struct StepResult {
  CMat I, Phi, S;
};

void SolveStep(AppState& st);
// The mean useful voltage of the run so far: the time average of the
// pantograph voltages (moduli) of the trains drawing current, over the full
// steps; false when no train drew current in such a step.
bool MeanUsefulVoltage(const AppState& st, double& volts);
void SolveStepQuick(AppState& st);
// The solution a run chooses: SolveStep with the chart data when
// "Построение графиков (замедлит иммитацию)" is checked, SolveStepQuick otherwise.
void SolveRunStep(AppState& st);
// Full solution kept in the result; sets StepLoss only.
StepResult SolveAndKeep(AppState& st);
void RecordStepResults(AppState& st, const CMat& I, const CMat& Phi);
// The chart data and the supplied energy of a step of a user scheme: the
// feeders of the constructor's chart choices, the pantograph and rail-return
// potentials of the trains.
void RecordConstructorStep(AppState& st, const CMat& I, const CMat& Phi);

// The matrix core of a step (steps 2..7): currents (conjugated), potentials
// (when wanted) and the loss product. Releases the step's matrices.
StepResult SolveCircuit(StepCircuit& c, bool potentials);

}  // namespace tps
