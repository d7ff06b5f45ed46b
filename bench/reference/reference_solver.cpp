#include "reference_solver.h"

#include <utility>
#include <vector>

#include "params/errors.h"

namespace tps::reference {

CMat MatMul(const CMat& A, int rows, int inner, const CMat& B, int /*rowsB*/, int cols) {
  CMat C(rows, cols);
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j) {
      TComplex sum;
      for (int k = 1; k <= inner; ++k) sum = CAdd(sum, CMul(A(i, k), B(k, j)));
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
      R(i, k) = CDiv(R(i, k), p);
      S(i, k) = CDiv(S(i, k), p);
    }
    for (int j = i + 1; j <= n; ++j) {
      const TComplex f = CMul(minusOne, R(j, i));
      for (int k = 1; k <= n; ++k) {
        R(j, k) = CAdd(CMul(R(i, k), f), R(j, k));
        S(j, k) = CAdd(CMul(S(i, k), f), S(j, k));
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
        R(j, k) = CAdd(CMul(R(c, k), f), R(j, k));
        S(j, k) = CAdd(CMul(S(c, k), f), S(j, k));
      }
    }
  for (auto it = exchanges.rbegin(); it != exchanges.rend(); ++it)
    for (int r = 1; r <= n; ++r) std::swap(S(r, it->first), S(r, it->second));
  return S;
}

}  // namespace tps::reference
