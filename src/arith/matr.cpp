#include "arith/matr.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "arith/errors.h"

namespace tps {

namespace {

bool IsZero(const TComplex& z) { return z.Re == 0 && z.Im == 0; }
TComplex Snapped(const TComplex& z) { return {SnapPart(z.Re), SnapPart(z.Im)}; }

bool SameBits(const TComplex& a, const TComplex& b) { return std::memcmp(&a, &b, sizeof(TComplex)) == 0; }

// Up to this many distinct values of a row are recognised, so that a row
// operation forms the product of each of them with its factor only once
// (incidence and loop rows hold little more than +1 and -1). Equal bits give
// equal polar forms and so equal products.
constexpr int kRowValues = 4;

// A non-zero element of a row with its polar form and the index of its value
// among the row's first distinct values (-1 beyond them).
struct PolarTerm {
  int K;
  TPolar P;
  int V;
};

// The non-zero elements of row[1..n], in column order.
void PolarRow(const TComplex* row, int n, std::vector<PolarTerm>& out) {
  out.clear();
  TComplex seen[kRowValues];
  int distinct = 0;
  for (int k = 1; k <= n; ++k) {
    if (IsZero(row[k])) continue;
    int v = -1;
    for (int d = 0; d < distinct; ++d)
      if (SameBits(seen[d], row[k])) { v = d; break; }
    if (v < 0 && distinct < kRowValues) {
      seen[distinct] = row[k];
      v = distinct++;
    }
    out.push_back({k, ToPolar(row[k]), v});
  }
}

// The products of one factor with the values of a row, each formed once.
class RowProducts {
 public:
  explicit RowProducts(const TPolar& f) : f_(f) {}
  TComplex Of(const PolarTerm& t) {
    if (t.V < 0) return PolarProduct(t.P.M * f_.M, t.P.T + f_.T);
    if (!have_[t.V]) {
      memo_[t.V] = PolarProduct(t.P.M * f_.M, t.P.T + f_.T);
      have_[t.V] = true;
    }
    return memo_[t.V];
  }

 private:
  TPolar f_;
  TComplex memo_[kRowValues];
  bool have_[kRowValues] = {};
};

// The last two products of one right-hand element with left-hand values; in a
// product with an incidence-like left matrix the same values come again.
struct ProductMemo {
  TComplex A[2];
  TComplex P[2];
  int Count = 0, Next = 0;
  TComplex Of(const TComplex& a, const TPolar& pa, const TPolar& pb) {
    for (int i = 0; i < Count; ++i)
      if (SameBits(A[i], a)) return P[i];
    TComplex p = PolarProduct(pa.M * pb.M, pa.T + pb.T);
    A[Next] = a;
    P[Next] = p;
    Next ^= 1;
    if (Count < 2) ++Count;
    return p;
  }
};

}  // namespace

static void NeedShape(const CMat& A, int rows, int cols, const char* op) {
  if (rows < 0 || cols < 0 || (rows > 0 && cols > 0 && (A.Empty() || A.Rows() < rows || A.Cols() < cols)))
    throw ProgramError(std::string(op) + ": the matrix is smaller than the dimensions given");
}

CMat MatMul(const CMat& A, int rows, int inner, const CMat& B, int /*rowsB*/, int cols) {
  NeedShape(A, rows, inner, "MatMul");
  NeedShape(B, inner, cols, "MatMul");
  CMat C(rows, cols);
  if (rows == 0 || inner == 0 || cols == 0) return C;
  // Each element is 0 + j0 plus CMul(A(i, k), B(k, j)) for k = 1..inner, every
  // partial sum snapped. A term with a zero factor is exactly 0 + j0 and adding
  // it only snaps the snapped sum again, so only the pairs of non-zero factors
  // are formed, each operand converted to polar form once, in the same order of k;
  // a right-hand element meeting a left-hand value it met just before reuses
  // that product.
  std::vector<std::vector<PolarTerm>> rowsOfB(static_cast<size_t>(inner) + 1);
  std::vector<std::vector<ProductMemo>> memoOfB(static_cast<size_t>(inner) + 1);
  for (int k = 1; k <= inner; ++k) {
    PolarRow(&B(k, 0), cols, rowsOfB[k]);
    memoOfB[k].resize(rowsOfB[k].size());
  }
  std::vector<PolarTerm> rowOfA;
  for (int i = 1; i <= rows; ++i) {
    const TComplex* a = &A(i, 0);
    PolarRow(a, inner, rowOfA);
    TComplex* c = &C(i, 0);
    for (const PolarTerm& ta : rowOfA) {
      const std::vector<PolarTerm>& rowB = rowsOfB[ta.K];
      std::vector<ProductMemo>& memo = memoOfB[ta.K];
      for (size_t t = 0; t < rowB.size(); ++t)
        c[rowB[t].K] = CAdd(c[rowB[t].K], memo[t].Of(a[ta.K], ta.P, rowB[t].P));
    }
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

// Gauss-Jordan elimination on complex numbers, with the work of the zero
// elements left out where leaving it out changes no bit of any result:
// - a row operation target(k) = CAdd(CMul(pivot(k), f), target(k)) with a
//   zero pivot(k) or a zero f forms CMul = 0 + j0 exactly, so target(k) only
//   becomes snapped; once every element of R and S is a result of a complex
//   operation (after the first pivot of a pass) that changes nothing and the
//   term is skipped; before that the raw element is snapped instead;
// - the pivot row's non-zero elements are converted to polar form once and
//   used for every row below (or above) it;
// - CDiv of 0 + j0 by a non-zero pivot is exactly 0 + j0.
// Inputs are taken to be finite numbers.
namespace {

// Rows of a work matrix addressed through a CMat (possibly the caller's).
struct RowsOf {
  CMat* M;
  TComplex* Row(int i) const { return &(*M)(i, 0); }
};

// target(k) = CAdd(CMul(pivot(k), f), target(k)) for the pivot row's non-zero
// elements; the others are left alone (the target row is already snapped).
void AddScaled(TComplex* target, const std::vector<PolarTerm>& pivot, const TPolar& f) {
  RowProducts product(f);
  for (const PolarTerm& t : pivot) target[t.K] = CAdd(product.Of(t), target[t.K]);
}

// The same for a row that still holds raw input: the untouched elements are
// snapped, as adding 0 + j0 to them would do.
void AddScaledRaw(TComplex* target, int n, const std::vector<PolarTerm>& pivot, const TPolar* f) {
  size_t next = 0;
  RowProducts product(f ? *f : TPolar{});
  for (int k = 1; k <= n; ++k) {
    if (f && next < pivot.size() && pivot[next].K == k) {
      const PolarTerm& t = pivot[next++];
      target[k] = CAdd(product.Of(t), target[k]);
    } else {
      target[k] = Snapped(target[k]);
    }
  }
}

// The pivot row divided by its pivot p (CDiv of every element).
void DivideRow(TComplex* row, int n, const TPolar& p) {
  for (int k = 1; k <= n; ++k) row[k] = IsZero(row[k]) ? TComplex{} : PolarQuotient(ToPolar(row[k]), p);
}

// One forward pass: each pivot row is divided by its pivot and eliminated from
// the rows below it. With `exchanges` given, a zero pivot first takes the next
// lower row that has a non-zero element in its column (exchanged over the
// columns from the pivot on) and the pair is recorded.
void ForwardPass(RowsOf R, RowsOf S, int n, std::vector<std::pair<int, int>>* exchanges) {
  const TComplex minusOne = CFromReal(-1);
  std::vector<PolarTerm> pivotR, pivotS;
  for (int i = 1; i <= n; ++i) {
    TComplex* Ri = R.Row(i);
    TComplex* Si = S.Row(i);
    if (exchanges && IsZero(Ri[i])) {
      for (int j = i + 1; j <= n; ++j) {
        TComplex* Rj = R.Row(j);
        if (IsZero(Rj[i])) continue;
        if (exchanges->size() >= kMaxRowExchanges) throw SingularError();
        TComplex* Sj = S.Row(j);
        for (int k = i; k <= n; ++k) {
          std::swap(Ri[k], Rj[k]);
          std::swap(Si[k], Sj[k]);
        }
        exchanges->emplace_back(i, j);
        break;
      }
    }
    const TPolar p = ToPolar(Ri[i]);
    if (p.M == 0) throw SingularError();  // CDiv by the zero pivot
    DivideRow(Ri, n, p);
    DivideRow(Si, n, p);
    PolarRow(Ri, n, pivotR);
    PolarRow(Si, n, pivotS);
    const bool raw = i == 1;  // rows below still hold the input as given
    for (int j = i + 1; j <= n; ++j) {
      TComplex* Rj = R.Row(j);
      TComplex* Sj = S.Row(j);
      const TComplex f = IsZero(Rj[i]) ? TComplex{} : CMul(minusOne, Rj[i]);
      if (IsZero(f)) {
        if (raw) {
          AddScaledRaw(Rj, n, pivotR, nullptr);
          AddScaledRaw(Sj, n, pivotS, nullptr);
        }
        continue;
      }
      const TPolar fp = ToPolar(f);
      if (raw) {
        AddScaledRaw(Rj, n, pivotR, &fp);
        AddScaledRaw(Sj, n, pivotS, &fp);
      } else {
        AddScaled(Rj, pivotR, fp);
        AddScaled(Sj, pivotS, fp);
      }
    }
  }
}

// The backward pass: column c of R is cleared above the diagonal with row c,
// for c = n down to 2 and the rows above from c - 1 up to 1.
void BackwardPass(RowsOf R, RowsOf S, int n) {
  std::vector<PolarTerm> pivotR, pivotS;
  for (int c = n; c >= 2; --c) {
    bool converted = false;
    for (int j = c - 1; j >= 1; --j) {
      TComplex* Rj = R.Row(j);
      if (IsZero(Rj[c])) continue;
      if (!converted) {
        PolarRow(R.Row(c), n, pivotR);
        PolarRow(S.Row(c), n, pivotS);
        converted = true;
      }
      const TPolar fp = ToPolar(CNeg(Rj[c]));
      AddScaled(Rj, pivotR, fp);
      AddScaled(S.Row(j), pivotS, fp);
    }
  }
}

CMat Identity(int n) {
  CMat S(n, n);
  for (int i = 1; i <= n; ++i) S(i, i) = CFromReal(1);
  return S;
}

}  // namespace

CMat MatInverse(CMat A, int n) {
  NeedShape(A, n, n, "MatInverse");
  CMat R(n, n);
  for (int i = 1; i <= n; ++i)
    for (int k = 1; k <= n; ++k) R(i, k) = A(i, k);
  CMat S = Identity(n);
  std::vector<std::pair<int, int>> exchanges;
  ForwardPass({&R}, {&S}, n, &exchanges);
  if (!exchanges.empty()) {
    // The exchanges found on the way are applied to the caller's rows and the
    // elimination is repeated on the permuted matrix itself.
    const int width = A.Cols();
    for (const auto& [i, j] : exchanges)
      for (int k = 1; k <= width; ++k) std::swap(A(i, k), A(j, k));
    S = Identity(n);
    R = A;
    ForwardPass({&R}, {&S}, n, nullptr);
  }
  BackwardPass({&R}, {&S}, n);
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


}  // namespace tps
