// The same linear system of a step, [M; N Z] I = [J; N E], solved by a sparse
// complex LU factorisation in ordinary double arithmetic, for scale.
#pragma once

#include <complex>
#include <vector>

#include "params/state.h"

namespace tps::bench {

// Branch currents of the built step (not conjugated).
std::vector<std::complex<double>> SparseLuCurrents(const StepCircuit& c);

}  // namespace tps::bench
