// The literal forms of the matrix method's heavy operations, written straight
// from their algorithms with every element passing through the complex
// operations one by one. They are the yardstick of the production kernels:
// the tests require bit-identical results, and the benchmark measures the
// speed-up against them. Not part of the engine library.
#pragma once

#include "arith/matr.h"
#include "solver/solve.h"

namespace tps::reference {

// The polar product and quotient of two complex numbers, formed literally
// (modulus, angle, sine and cosine on every call).
TComplex CMul(TComplex a, TComplex b);
TComplex CDiv(TComplex a, TComplex b);

// A (rows x inner) times B (inner x cols): each element starts at 0 + j0 and
// adds CMul(A(i, k), B(k, j)) for k = 1..inner with CAdd.
CMat MatMul(const CMat& A, int rows, int inner, const CMat& B, int rowsB, int cols);

// Gauss-Jordan inverse with deferred row exchanges: A is permuted and, when
// exchanges were needed, reduced in place by the repeated elimination.
CMat MatInverse(CMat A, int n);

// The matrix core of one step, literally: A = [M; N Z], b = [J; N E],
// I = A^-1 b; with `potentials` the branch voltages of the tree branches
// Ub = E1 - Z11 I1 and Phi = (M11^-1)^T Ub; the loss product
// S = (I^T Z) conj(I), I conjugated in place. Releases the step's matrices.
StepResult SolveCircuit(StepCircuit& c, bool potentials);

// A copy of a built step circuit with matrices of its own, so the same
// circuit can be solved more than once.
StepCircuit CopyCircuit(const StepCircuit& c);

}  // namespace tps::reference
