#include "solver/fastmat.h"

namespace tps {

StepResult FastSolveCircuit(StepCircuit& c, bool potentials) {
  const int n = c.NodeCount, m = c.BranchCount, d = m - n;
  c.LoopCount = d;
  StepResult r;
  // Node equations on top of the loop equations.
  CMat A = MatStack(c.MatM, n, m, MatMul(c.MatN, d, m, c.MatZ, m, m), d, m);
  CMat b = MatStack(c.MatJ, n, 1, MatMul(c.MatN, d, m, c.MatE, m, 1), d, 1);
  c.MatN.Release();
  c.MatJ.Release();
  r.I = MatMul(MatInverse(A, m), m, m, b, m, 1);
  if (potentials) {
    // The tree branches 1..n: their voltages give the node potentials.
    CMat Ub = MatSub(c.MatE, n, 1, MatMul(c.MatZ, n, n, r.I, n, 1));
    c.MatE.Release();
    CMat M11(n, n);
    for (int i = 1; i <= n; ++i)
      for (int k = 1; k <= n; ++k) M11(i, k) = c.MatM(i, k);
    r.Phi = MatMul(MatTranspose(MatInverse(M11, n), n, n), n, n, Ub, n, 1);
    c.MatM.Release();
  }
  CMat T = MatMul(MatTranspose(r.I, m, 1), 1, m, c.MatZ, m, m);
  ConjugateColumn(r.I, m);
  r.S = MatMul(T, 1, m, r.I, m, 1);
  c.MatZ.Release();
  c.MatE.Release();
  c.MatM.Release();
  return r;
}

}  // namespace tps
