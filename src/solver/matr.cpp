#include "solver/matr.h"

#include <string>
#include <utility>
#include <vector>

#include "params/conv.h"
#include "params/errors.h"
#include "params/fileio.h"

namespace tps {

static void NeedShape(const CMat& A, int rows, int cols, const char* op) {
  if (rows < 0 || cols < 0 || (rows > 0 && cols > 0 && (A.Empty() || A.Rows() < rows || A.Cols() < cols)))
    throw ProgramError(std::string(op) + ": the matrix is smaller than the dimensions given");
}

CMat MatMul(const CMat& A, int rows, int inner, const CMat& B, int /*rowsB*/, int cols) {
  NeedShape(A, rows, inner, "MatMul");
  NeedShape(B, inner, cols, "MatMul");
  CMat C(rows, cols);
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j) {
      TComplex sum;
      for (int k = 1; k <= inner; ++k) sum = CAdd(sum, CMul(A(i, k), B(k, j)));
      C(i, j) = sum;
    }
  return C;
}

CMat MatTranspose(const CMat& A, int rows, int cols) {
  NeedShape(A, rows, cols, "MatTranspose");
  CMat T(cols, rows);
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j) T(j, i) = A(i, j);
  return T;
}

CMat MatStack(const CMat& A, int rowsA, int cols, const CMat& B, int rowsB, int colsB) {
  // B's rows must fit into the width of the result.
  if (colsB > cols) throw ProgramError("MatStack: the lower matrix is wider than the result");
  NeedShape(A, rowsA, cols, "MatStack");
  NeedShape(B, rowsB, colsB, "MatStack");
  CMat C(rowsA + rowsB, cols);
  for (int i = 1; i <= rowsA; ++i)
    for (int j = 1; j <= cols; ++j) C(i, j) = A(i, j);
  for (int i = 1; i <= rowsB; ++i)
    for (int j = 1; j <= colsB; ++j) C(rowsA + i, j) = B(i, j);
  return C;
}

CMat MatSub(const CMat& A, int rows, int cols, const CMat& B) {
  NeedShape(A, rows, cols, "MatSub");
  NeedShape(B, rows, cols, "MatSub");
  CMat C(rows, cols);
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j) C(i, j) = CSub(A(i, j), B(i, j));
  return C;
}

// One forward pass of the Gauss-Jordan elimination: each pivot row is divided
// by its pivot and eliminated from the rows below it. With `exchanges` given,
// a zero pivot first takes the next lower row that has a non-zero element in
// its column (exchanged over the columns from the pivot on) and the pair is
// recorded.
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
  NeedShape(A, n, n, "MatInverse");
  CMat R(n, n);
  for (int i = 1; i <= n; ++i)
    for (int k = 1; k <= n; ++k) R(i, k) = A(i, k);
  CMat S = Identity(n);
  std::vector<std::pair<int, int>> exchanges;
  ForwardPass(R, S, n, &exchanges);
  if (!exchanges.empty()) {
    // The exchanges found on the way are applied to the caller's rows and the
    // elimination is repeated on the permuted matrix itself.
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
  // The inverse of the permuted matrix, with its columns put back in order.
  for (auto it = exchanges.rbegin(); it != exchanges.rend(); ++it)
    for (int r = 1; r <= n; ++r) std::swap(S(r, it->first), S(r, it->second));
  return S;
}

TComplex MinByModulus(const CMat& V, int count, bool halfOnly) {
  int last = halfOnly ? count / 2 : count;
  NeedShape(V, last, 1, "MinByModulus");
  TComplex best{1000000.0, 0.0};
  for (int i = 1; i <= last; ++i)
    if (CAbs(V(i, 1)) < CAbs(best)) best = V(i, 1);
  return best;
}

TComplex MaxByModulusUpperHalf(const CMat& V, int count) {
  NeedShape(V, count, 1, "MaxByModulusUpperHalf");
  TComplex best;
  for (int i = count / 2 + 1; i <= count; ++i)
    if (CAbs(V(i, 1)) > CAbs(best)) best = V(i, 1);
  return best;
}

CMat ConjugateColumn(CMat V, int count) {
  NeedShape(V, count, 1, "ConjugateColumn");
  for (int i = 1; i <= count; ++i) V(i, 1).Im = -V(i, 1).Im;
  return V;
}

void WriteMatText(const WorkDir& wd, const CMat& A, int rows, int cols, const std::string& name) {
  NeedShape(A, rows, cols, "WriteMatText");
  std::vector<std::string> lines;
  lines.reserve(static_cast<size_t>(rows > 0 ? rows : 0));
  for (int i = 1; i <= rows; ++i) {
    std::string line;
    for (int j = 1; j <= cols; ++j) {
      line += FloatToStr(A(i, j).Re);
      line += ' ';
    }
    lines.push_back(std::move(line));
  }
  WriteTextLines(wd, name, lines);
}

}  // namespace tps
