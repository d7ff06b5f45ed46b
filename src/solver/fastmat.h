// The matrix core of one step in its production form: the same operations as
// the step's solution, in the same order, through the matrix kernels that
// leave out the work of exact zeros and repeated values, so every result is
// bit-identical to the element-by-element form.
#pragma once

#include "solver/matr.h"
#include "solver/solve.h"

namespace tps {

// The matrix core of the step's solution: A = [M; N Z], b = [J; N E],
// I = A^-1 b; with `potentials` Ub = E1 - Z11 I1 and Phi = (M11^-1)^T Ub;
// T = I^T Z, I conjugated in place, S = T conj(I). Releases the matrices.
StepResult FastSolveCircuit(StepCircuit& c, bool potentials);

}  // namespace tps
