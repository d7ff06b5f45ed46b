#include "reference_solver.h"

#include <cmath>
#include <utility>
#include <vector>

#include "params/errors.h"

namespace tps::reference {

// The complex product and quotient straight from their polar definitions,
// with the sine and cosine formed on every call, so that the reference does
// not share the engine's table of angles.
static constexpr long double kPi = 3.141592653589793238462643383279502884L;

static long double Angle(TComplex z) {
  long double x = z.Re, y = z.Im;
  if (x == 0) return y > 0 ? kPi / 2 : (y < 0 ? -kPi / 2 : 0.0L);
  if (y == 0) return x > 0 ? 0.0L : kPi;
  long double t = std::atan(y / x);
  if (x < 0 && y > 0) t += kPi;
  if (x < 0 && y < 0) t += kPi;
  return t;
}

static long double Modulus(TComplex z) {
  long double x = z.Re, y = z.Im;
  return std::sqrt(x * x + y * y);
}

TComplex CMul(TComplex a, TComplex b) {
  long double m = Modulus(a) * Modulus(b);
  long double t = Angle(a) + Angle(b);
  long double im = m * std::sin(t);
  long double re = m * std::cos(t);
  double rIm = std::fabs(im) < 1e-5L ? 0.0 : static_cast<double>(im);
  double rRe = std::fabs(re) < 1e-5L ? 0.0 : static_cast<double>(re);
  return {SnapPart(rRe), SnapPart(rIm)};
}

TComplex CDiv(TComplex a, TComplex b) {
  long double mb = Modulus(b);
  if (mb == 0) throw SingularError();
  long double ma = Modulus(a);
  long double m = ma / mb;
  long double t = Angle(a) - Angle(b);
  double im = static_cast<double>(m * std::sin(t));
  double re = ma != 0 ? static_cast<double>(m * std::cos(t)) : 0.0;
  return {SnapPart(re), SnapPart(im)};
}

CMat MatMul(const CMat& A, int rows, int inner, const CMat& B, int /*rowsB*/, int cols) {
  CMat C(rows, cols);
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j) {
      TComplex sum;
      for (int k = 1; k <= inner; ++k) sum = CAdd(sum, reference::CMul(A(i, k), B(k, j)));
      C(i, j) = sum;
    }
  return C;
}

// One forward pass: the pivot row is divided by its pivot and eliminated from
// every row below it. With `exchanges` given, a zero pivot first takes the
// next lower row with a non-zero element in its column (exchanged over the
// columns from the pivot on) and the pair is recorded.
static void ForwardPass(CMat& R, CMat& S, int n, std::vector<std::pair<int, int>>* exchanges) {
  const TComplex minusOne = CFromReal(-1);
  for (int i = 1; i <= n; ++i) {
    if (exchanges && R(i, i) == TComplex{}) {
      for (int j = i + 1; j <= n; ++j) {
        if (R(j, i) == TComplex{}) continue;
        if (exchanges->size() >= kMaxRowExchanges) throw SingularError();
        for (int k = i; k <= n; ++k) {
          std::swap(R(i, k), R(j, k));
          std::swap(S(i, k), S(j, k));
        }
        exchanges->emplace_back(i, j);
        break;
      }
    }
    const TComplex p = R(i, i);
    for (int k = 1; k <= n; ++k) {
      R(i, k) = reference::CDiv(R(i, k), p);
      S(i, k) = reference::CDiv(S(i, k), p);
    }
    for (int j = i + 1; j <= n; ++j) {
      const TComplex f = reference::CMul(minusOne, R(j, i));
      for (int k = 1; k <= n; ++k) {
        R(j, k) = CAdd(reference::CMul(R(i, k), f), R(j, k));
        S(j, k) = CAdd(reference::CMul(S(i, k), f), S(j, k));
      }
    }
  }
}

static CMat Identity(int n) {
  CMat S(n, n);
  for (int i = 1; i <= n; ++i) S(i, i) = CFromReal(1);
  return S;
}

CMat MatInverse(CMat A, int n) {
  CMat R(n, n);
  for (int i = 1; i <= n; ++i)
    for (int k = 1; k <= n; ++k) R(i, k) = A(i, k);
  CMat S = Identity(n);
  std::vector<std::pair<int, int>> exchanges;
  ForwardPass(R, S, n, &exchanges);
  if (!exchanges.empty()) {
    const int width = A.Cols();
    for (const auto& [i, j] : exchanges)
      for (int k = 1; k <= width; ++k) std::swap(A(i, k), A(j, k));
    S = Identity(n);
    R = A;
    ForwardPass(R, S, n, nullptr);
  }
  for (int c = n; c >= 2; --c)
    for (int j = c - 1; j >= 1; --j) {
      const TComplex f = CNeg(R(j, c));
      for (int k = n; k >= 1; --k) {
        R(j, k) = CAdd(reference::CMul(R(c, k), f), R(j, k));
        S(j, k) = CAdd(reference::CMul(S(c, k), f), S(j, k));
      }
    }
  for (auto it = exchanges.rbegin(); it != exchanges.rend(); ++it)
    for (int r = 1; r <= n; ++r) std::swap(S(r, it->first), S(r, it->second));
  return S;
}

StepResult SolveCircuit(StepCircuit& c, bool potentials) {
  const int n = c.NodeCount, m = c.BranchCount, d = m - n;
  c.LoopCount = d;
  StepResult r;
  // Node equations on top of the loop equations.
  CMat A = MatStack(c.MatM, n, m, reference::MatMul(c.MatN, d, m, c.MatZ, m, m), d, m);
  CMat b = MatStack(c.MatJ, n, 1, reference::MatMul(c.MatN, d, m, c.MatE, m, 1), d, 1);
  c.MatN.Release();
  c.MatJ.Release();
  r.I = reference::MatMul(reference::MatInverse(A, m), m, m, b, m, 1);
  if (potentials) {
    // The tree branches 1..n: their voltages give the node potentials.
    CMat Ub = MatSub(c.MatE, n, 1, reference::MatMul(c.MatZ, n, n, r.I, n, 1));
    c.MatE.Release();
    CMat M11(n, n);
    for (int i = 1; i <= n; ++i)
      for (int k = 1; k <= n; ++k) M11(i, k) = c.MatM(i, k);
    r.Phi = reference::MatMul(MatTranspose(reference::MatInverse(M11, n), n, n), n, n, Ub, n, 1);
    c.MatM.Release();
  }
  CMat T = reference::MatMul(MatTranspose(r.I, m, 1), 1, m, c.MatZ, m, m);
  ConjugateColumn(r.I, m);
  r.S = reference::MatMul(T, 1, m, r.I, m, 1);
  c.MatZ.Release();
  c.MatE.Release();
  c.MatM.Release();
  return r;
}

StepCircuit CopyCircuit(const StepCircuit& c) {
  StepCircuit d = c;
  d.MatM = c.MatM.Clone();
  d.MatN = c.MatN.Clone();
  d.MatZ = c.MatZ.Clone();
  d.MatE = c.MatE.Clone();
  d.MatJ = c.MatJ.Clone();
  d.LastCurrents = c.LastCurrents.Clone();
  d.LastPotentials = c.LastPotentials.Clone();
  return d;
}

}  // namespace tps::reference
