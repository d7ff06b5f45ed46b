// The literal forms of the matrix method's heavy operations, written straight
// from their algorithms with every element passing through the complex
// operations one by one. They are the yardstick of the production kernels:
// the tests require bit-identical results, and the benchmark measures the
// speed-up against them. Not part of the engine library.
#pragma once

#include "solver/matr.h"

namespace tps::reference {

// A (rows x inner) times B (inner x cols): each element starts at 0 + j0 and
// adds CMul(A(i, k), B(k, j)) for k = 1..inner with CAdd.
CMat MatMul(const CMat& A, int rows, int inner, const CMat& B, int rowsB, int cols);

// Gauss-Jordan inverse with deferred row exchanges: A is permuted and, when
// exchanges were needed, reduced in place by the repeated elimination.
CMat MatInverse(CMat A, int n);

}  // namespace tps::reference
