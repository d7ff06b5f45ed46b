#include "solver/stepcore.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "params/errors.h"
#include "solver/solve.h"

namespace tps {

// Every shortcut below leaves the bits of every result as the element-by-element
// forms give them:
// - a term CMul(x, f) with a zero factor is exactly 0 + j0, and adding it to a
//   sum that is already the result of a complex operation changes nothing, so
//   only the terms of two non-zero factors are formed, in the same order;
// - the polar form of an operand used many times is formed once;
// - the eliminating factors of the Gauss-Jordan inverse come from the work
//   matrix R alone, and every column of the right-hand matrix S then evolves
//   on its own; the factors are recorded once and applied only to the columns
//   of S that meet a non-zero element of the right-hand side.
namespace {

bool IsZero(const TComplex& z) {
  return ComplexField::IsZero(z);
}

using Term = InverseColumns::Term;

template <class F>
using TermOf = typename InverseColumnsOf<F>::Term;

template <class F>
void Gather(const typename F::Num* row, int n, std::vector<TermOf<F>>& out) {
  out.clear();
  for (int k = 0; k < n; ++k)
    if (!F::IsZero(row[k])) out.push_back({k, F::ToPolar(row[k])});
}

// The row divided by its pivot p (CDiv of every element; a zero stays 0 + j0)
// and, with `out`, its non-zero quotients gathered.
template <class F>
void DivideRow(typename F::Num* row, int n, const typename F::Polar& p, std::vector<TermOf<F>>* out) {
  if (out) out->clear();
  for (int k = 0; k < n; ++k) {
    if (F::IsZero(row[k])) {
      row[k] = typename F::Num{};
      continue;
    }
    row[k] = F::Quotient(F::ToPolar(row[k]), p);
    if (out && !F::IsZero(row[k])) out->push_back({k, F::ToPolar(row[k])});
  }
}

// row += pivot * f over the pivot row's non-zero elements. Equal values of
// the pivot row have equal polar forms and so equal products with f; the
// product of the last value is taken again when the same value follows.
template <class F, class Terms>
void AddScaled(typename F::Num* row, const Terms& pivot, const typename F::Polar& f) {
  typename F::Polar last{-1, 0};
  typename F::Num product{};
  for (const TermOf<F>& t : pivot) {
    if (!F::SamePolar(t.P, last)) {
      last = t.P;
      product = F::Times(t.P, f);
    }
    row[t.K] = F::Add(product, row[t.K]);
  }
}

// One forward step of the elimination: the pivot row divided by P, then
// row Row of the work matrix += pivot row * F for each recorded elimination.
template <class F>
struct Elimination {
  int Row;
  typename F::Polar F_;
};
template <class F>
struct PivotStep {
  typename F::Polar P;
  size_t First, Last;  // its eliminations
};
// One backward step: row Row += row Pivot * F.
template <class F>
struct BackStep {
  int Pivot, Row;
  typename F::Polar F_;
};

// The forward pass on R (n x n, row by row, 0-based), recording pivots and
// factors. With `exchanges`, a zero pivot takes the next lower row with a
// non-zero element in its column, exchanged over the columns from the pivot
// on, and the (1-based) pair is recorded.
template <class F>
void ForwardR(typename F::Num* R, int n, std::vector<std::pair<int, int>>* exchanges,
              std::vector<PivotStep<F>>& pivots, std::vector<Elimination<F>>& elims) {
  using Num = typename F::Num;
  const typename F::Polar minusOne = F::ToPolar(F::Neg(F::FromReal(1)));
  std::vector<TermOf<F>> row;
  pivots.clear();
  elims.clear();
  for (int i = 0; i < n; ++i) {
    Num* Ri = R + static_cast<size_t>(i) * n;
    if (exchanges && F::IsZero(Ri[i])) {
      for (int j = i + 1; j < n; ++j) {
        Num* Rj = R + static_cast<size_t>(j) * n;
        if (F::IsZero(Rj[i])) continue;
        if (exchanges->size() >= kMaxRowExchanges) throw SingularError();
        for (int k = i; k < n; ++k) std::swap(Ri[k], Rj[k]);
        exchanges->emplace_back(i + 1, j + 1);
        break;
      }
    }
    const typename F::Polar p = F::ToPolar(Ri[i]);
    if (p.M == 0) throw SingularError();  // CDiv by the zero pivot
    DivideRow<F>(Ri, n, p, &row);
    const size_t first = elims.size();
    // Below the first pivot the rows still hold the input as given: adding
    // 0 + j0 snaps an element, so the untouched ones are snapped.
    const bool raw = i == 0;
    for (int j = i + 1; j < n; ++j) {
      Num* Rj = R + static_cast<size_t>(j) * n;
      // CMul(-1, Rj[i]).
      const Num f = F::IsZero(Rj[i]) ? Num{} : F::Times(minusOne, F::ToPolar(Rj[i]));
      if (F::IsZero(f)) {
        if (raw)
          for (int k = 0; k < n; ++k) Rj[k] = F::Snapped(Rj[k]);
        continue;
      }
      const typename F::Polar fp = F::ToPolar(f);
      if (raw) {
        size_t t = 0;
        for (int k = 0; k < n; ++k) {
          if (t < row.size() && row[t].K == k)
            Rj[k] = F::Add(F::Times(row[t++].P, fp), Rj[k]);
          else
            Rj[k] = F::Snapped(Rj[k]);
        }
      } else {
        AddScaled<F>(Rj, row, fp);
      }
      elims.push_back({j, fp});
    }
    pivots.push_back({p, first, elims.size()});
  }
}

// The backward pass on R: column c cleared above the diagonal with row c, for
// c from the last down to the second and the rows above from c - 1 up.
template <class F>
void BackwardR(typename F::Num* R, int n, std::vector<BackStep<F>>& steps) {
  std::vector<TermOf<F>> row;
  steps.clear();
  for (int c = n - 1; c >= 1; --c) {
    bool gathered = false;
    for (int j = c - 1; j >= 0; --j) {
      typename F::Num* Rj = R + static_cast<size_t>(j) * n;
      if (F::IsZero(Rj[c])) continue;
      if (!gathered) {
        Gather<F>(R + static_cast<size_t>(c) * n, n, row);
        gathered = true;
      }
      const typename F::Polar fp = F::ToPolar(F::Neg(Rj[c]));
      AddScaled<F>(Rj, row, fp);
      steps.push_back({c, j, fp});
    }
  }
}

}  // namespace

namespace {

// Whether the polar product and quotient of two real integers are the exact
// product and quotient: their angles are 0 and pi, and their sums and
// differences 0, pi, 2 pi and -pi must have a cosine of exactly +1 or -1 and
// a sine that snaps away. Checked once on the table's own values.
bool IntegerProductsAreExact() {
  static const bool exact = [] {
    using cmplx_detail::AngleSinCos;
    using cmplx_detail::kPi;
    auto is = [](long double t, long double cos) {
      const cmplx_detail::AngleEntry& e = AngleSinCos(t);
      return e.Cos == cos && std::fabs(e.Sin) < 1e-18L;
    };
    return is(0.0L, 1) && is(kPi, -1) && is(kPi + kPi, 1) && is(-kPi, -1);
  }();
  return exact;
}

// The largest integer the exact path lets a work element reach: its products
// stay exact in a double and their sines far below the snapping threshold.
constexpr double kIntegerBound = 1e6;

// The Gauss-Jordan elimination of a matrix of real integers (an incidence
// block) in plain arithmetic. With pivots of +1 or -1 and integers no larger
// than kIntegerBound every polar product, quotient and sum of the literal
// elimination is exact, so this gives the same bits. Returns false, leaving
// the work to the polar elimination, when the matrix is not of that kind or a
// pivot is not +1 or -1 (a singular matrix among them).
double RealPart(const TComplex& z) {
  return z.Re;
}
double ImaginaryPart(const TComplex& z) {
  return z.Im;
}
double RealPart(double x) {
  return x;
}
double ImaginaryPart(double) {
  return 0;
}

template <class Num>
bool IntegerInverse(const std::vector<Num>& a, int n, std::vector<std::pair<int, int>>& exchanges,
                    std::vector<double>& S) {
  const size_t nn = static_cast<size_t>(n) * n;
  // From the last row up: the loop rows of a circuit matrix, at its foot,
  // tell at once that it is not an incidence block.
  for (size_t e = nn; e-- > 0;) {
    const double x = RealPart(a[e]);
    if (ImaginaryPart(a[e]) != 0 || !(std::fabs(x) <= kIntegerBound) ||
        static_cast<double>(static_cast<int64_t>(x)) != x)
      return false;
  }
  std::vector<double> R(nn);
  for (size_t e = 0; e < nn; ++e) R[e] = RealPart(a[e]);
  if (!IntegerProductsAreExact()) return false;
  const std::vector<double> input = R;
  auto row = [n](std::vector<double>& M, int i) { return &M[static_cast<size_t>(i) * n]; };
  // Row j of both halves less its entry in column c times pivot row c (Rc,
  // Sc); false when a sum leaves the integers that doubles hold exactly.
  auto eliminate = [&](int j, int c, const double* Rc, const double* Sc) {
    double* Rj = row(R, j);
    const double f = -Rj[c];
    if (f == 0) return true;
    double* Sj = row(S, j);
    for (int k = 0; k < n; ++k) {
      if (Rc[k] != 0) {
        Rj[k] += Rc[k] * f;
        if (!(std::fabs(Rj[k]) <= kIntegerBound)) return false;
      }
      if (Sc[k] != 0) {
        Sj[k] += Sc[k] * f;
        if (!(std::fabs(Sj[k]) <= kIntegerBound)) return false;
      }
    }
    return true;
  };
  auto forward = [&](bool detect) {
    S.assign(nn, 0.0);
    for (int i = 0; i < n; ++i) row(S, i)[i] = 1;
    for (int i = 0; i < n; ++i) {
      double* Ri = row(R, i);
      double* Si = row(S, i);
      if (detect && Ri[i] == 0) {
        for (int j = i + 1; j < n; ++j) {
          double* Rj = row(R, j);
          if (Rj[i] == 0) continue;
          if (exchanges.size() >= kMaxRowExchanges) return false;
          double* Sj = row(S, j);
          for (int k = i; k < n; ++k) {
            std::swap(Ri[k], Rj[k]);
            std::swap(Si[k], Sj[k]);
          }
          exchanges.emplace_back(i + 1, j + 1);
          break;
        }
      }
      const double p = Ri[i];
      if (p != 1 && p != -1) return false;
      if (p == -1)
        for (int k = 0; k < n; ++k) {
          if (Ri[k] != 0) Ri[k] = -Ri[k];
          if (Si[k] != 0) Si[k] = -Si[k];
        }
      for (int j = i + 1; j < n; ++j)
        if (!eliminate(j, i, Ri, Si)) return false;
    }
    return true;
  };
  if (!forward(true)) return false;
  if (!exchanges.empty()) {
    R = input;
    for (const auto& [i, j] : exchanges)
      for (int k = 0; k < n; ++k) std::swap(row(R, i - 1)[k], row(R, j - 1)[k]);
    if (!forward(false)) return false;
  }
  for (int c = n - 1; c >= 1; --c) {
    const double* Rc = row(R, c);
    const double* Sc = row(S, c);
    for (int j = c - 1; j >= 0; --j)
      if (!eliminate(j, c, Rc, Sc)) return false;
  }
  return true;
}

}  // namespace

template <class F>
std::vector<int> InverseColumnsOf<F>::Place(const std::vector<std::pair<int, int>>& exchanges,
                                            const std::vector<bool>& wanted) {
  const int n = n_;
  // Column k of the inverse is column col[k] of S once the exchanges are undone.
  std::vector<int> col(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) col[k] = k;
  for (auto it = exchanges.rbegin(); it != exchanges.rend(); ++it)
    std::swap(col[it->first - 1], col[it->second - 1]);
  std::vector<int> slotOfS(static_cast<size_t>(n), -1);
  slot_.assign(static_cast<size_t>(n), -1);
  for (int k = 0; k < n; ++k) {
    if (!wanted[k]) continue;
    if (slotOfS[col[k]] < 0) {
      slotOfS[col[k]] = width_++;
      column_.push_back(k);
    }
    slot_[k] = slotOfS[col[k]];
  }
  termStart_.assign(static_cast<size_t>(n), -1);
  termEnd_.assign(static_cast<size_t>(n), -1);
  return slotOfS;
}

template <class F>
InverseColumnsOf<F>::InverseColumnsOf(std::vector<Num> a, int n, const std::vector<bool>& wanted) : n_(n) {
  std::vector<std::pair<int, int>> exchanges;
  {
    std::vector<double> whole;
    if (IntegerInverse(a, n, exchanges, whole)) {
      const std::vector<int> slotOfS = Place(exchanges, wanted);
      const int w = width_;
      s_.assign(static_cast<size_t>(n) * w, Num{});
      for (int sc = 0; sc < n; ++sc) {
        if (slotOfS[sc] < 0) continue;
        for (int i = 0; i < n; ++i)
          s_[static_cast<size_t>(i) * w + slotOfS[sc]] = F::FromReal(whole[static_cast<size_t>(i) * n + sc]);
      }
      return;
    }
    exchanges.clear();
  }
  std::vector<Num> r = a;
  std::vector<PivotStep<F>> pivots;
  std::vector<Elimination<F>> elims;
  ForwardR<F>(r.data(), n, &exchanges, pivots, elims);
  if (!exchanges.empty()) {
    // The exchanges found on the way are applied to whole rows and the
    // elimination is repeated on the permuted matrix.
    for (const auto& [i, j] : exchanges)
      for (int k = 0; k < n; ++k)
        std::swap(a[static_cast<size_t>(i - 1) * n + k], a[static_cast<size_t>(j - 1) * n + k]);
    r = std::move(a);
    ForwardR<F>(r.data(), n, nullptr, pivots, elims);
  }
  std::vector<BackStep<F>> back;
  BackwardR<F>(r.data(), n, back);
  const std::vector<int> slotOfS = Place(exchanges, wanted);
  const int w = width_;
  s_.assign(static_cast<size_t>(n) * w, Num{});
  for (int sc = 0; sc < n; ++sc)
    if (slotOfS[sc] >= 0) s_[static_cast<size_t>(sc) * w + slotOfS[sc]] = F::FromReal(1);
  if (w == 0) return;

  std::vector<Term> row;
  for (int i = 0; i < n; ++i) {
    Num* Si = s_.data() + (static_cast<size_t>(i) * w);
    const PivotStep<F>& ps = pivots[i];
    DivideRow<F>(Si, w, ps.P, ps.First == ps.Last ? nullptr : &row);
    if (ps.First == ps.Last) continue;
    for (size_t e = ps.First; e < ps.Last; ++e)
      AddScaled<F>(s_.data() + static_cast<size_t>(elims[e].Row) * w, row, elims[e].F_);
  }
  // A pivot row of the backward pass is final when it is gathered: its polar
  // forms are kept for the products with the inverse.
  terms_.reserve(static_cast<size_t>(n) * w);
  for (const BackStep<F>& b : back)
    AddScaled<F>(s_.data() + (static_cast<size_t>(b.Row) * w), RowTerms(b.Pivot), b.F_);
}

template <class F>
typename InverseColumnsOf<F>::Span InverseColumnsOf<F>::RowTerms(int i) {
  if (termStart_[i] < 0) {
    termStart_[i] = static_cast<int>(terms_.size());
    const Num* row = s_.data() + (static_cast<size_t>(i) * width_);
    for (int x = 0; x < width_; ++x)
      if (!F::IsZero(row[x])) terms_.push_back({x, F::ToPolar(row[x])});
    termEnd_[i] = static_cast<int>(terms_.size());
  }
  return {terms_.data() + termStart_[i], terms_.data() + termEnd_[i]};
}

template <class F>
void InverseColumnsOf<F>::MulTransposed(const std::vector<Num>& u, CMat& out) {
  // Row k of the inverse times u(k), for k ascending, added into the sums of
  // its columns: each sum receives its terms for k ascending. The products
  // of u(k) with equal values of the row (an incidence-like inverse holds
  // little more than +1 and -1) are formed once.
  std::vector<Num> sum(static_cast<size_t>(width_));
  for (int k = 0; k < n_; ++k) {
    if (F::IsZero(u[k])) continue;
    const typename F::Polar up = F::ToPolar(u[k]);
    Num seen[2], product[2];
    int count = 0, next = 0;
    const Num* row = s_.data() + (static_cast<size_t>(k) * width_);
    for (int x = 0; x < width_; ++x) {
      const Num& y = row[x];
      if (F::IsZero(y)) continue;
      int hit = -1;
      for (int q = 0; q < count; ++q)
        if (std::memcmp(&seen[q], &y, sizeof y) == 0) hit = q;
      if (hit < 0) {
        seen[next] = y;
        product[next] = F::Times(F::ToPolar(y), up);
        hit = next;
        next ^= 1;
        if (count < 2) ++count;
      }
      sum[x] = F::Add(sum[x], product[hit]);
    }
  }
  for (int x = 0; x < width_; ++x) F::Store(sum[x], out(column_[x] + 1, 1));
}

template <class F>
void InverseColumnsOf<F>::MulColumn(const std::vector<Num>& b, CMat& out) {
  using Polar = typename F::Polar;
  std::vector<Polar> bp(static_cast<size_t>(width_));
  for (int x = 0; x < width_; ++x) bp[x] = F::ToPolar(b[column_[x]]);
  // The last value met in each column and its product with b: a column of
  // the inverse often holds the same value in many rows.
  std::vector<Polar> lastValue(static_cast<size_t>(width_), Polar{-1, 0});
  std::vector<Num> lastProduct(static_cast<size_t>(width_));
  for (int i = 0; i < n_; ++i) {
    const Span terms = RowTerms(i);
    // The places follow the columns in ascending order, so the terms come for
    // k ascending.
    Num sum{};
    for (const Term& t : terms) {
      if (F::IsZero(b[column_[t.K]])) continue;
      if (!F::SamePolar(t.P, lastValue[t.K])) {
        lastValue[t.K] = t.P;
        lastProduct[t.K] = F::Times(t.P, bp[t.K]);
      }
      sum = F::Add(sum, lastProduct[t.K]);
    }
    F::Store(sum, out(i + 1, 1));
  }
}

template class InverseColumnsOf<ComplexField>;
template class InverseColumnsOf<RealField>;

namespace {

void NeedShape(const CMat& A, int rows, int cols, const char* name) {
  if (rows < 0 || cols < 0 || (rows > 0 && cols > 0 && (A.Empty() || A.Rows() < rows || A.Cols() < cols)))
    throw ProgramError(std::string("SolveCircuit: the matrix ") + name +
                       " is smaller than the counts of the circuit");
}

// The inverse of the tree block M11 of the last step. M11 holds only the
// incidence of the tree branches, which stays the same from step to step
// while no train enters or leaves the zone; the inverse is a function of the
// bits of M11 alone, so when they are the same it is taken again.
template <class F>
struct TreeMemory {
  std::vector<typename F::Num> M11;
  std::vector<InverseColumnsOf<F>> Y;  // empty or one
};
template <class F>
thread_local TreeMemory<F> tTree;

template <class F>
InverseColumnsOf<F>& TreeInverse(std::vector<typename F::Num> m11, int n) {
  TreeMemory<F>& mem = tTree<F>;
  if (!mem.Y.empty() && mem.M11.size() == m11.size() &&
      std::memcmp(mem.M11.data(), m11.data(), m11.size() * sizeof(typename F::Num)) == 0)
    return mem.Y.front();
  mem.Y.clear();
  mem.M11 = m11;
  mem.Y.emplace_back(std::move(m11), n, std::vector<bool>(static_cast<size_t>(n), true));
  return mem.Y.front();
}

// Whether every element of the circuit's matrices is real. Z first: an AC
// zone shows it at its first impedance.
bool AllReal(const StepCircuit& c) {
  const int n = c.NodeCount, m = c.BranchCount, d = m - n;
  auto real = [](const CMat& a, int rows, int cols) {
    for (int i = 1; i <= rows; ++i) {
      const TComplex* row = &a(i, 1);
      for (int k = 0; k < cols; ++k)
        if (row[k].Im != 0) return false;
    }
    return true;
  };
  return real(c.MatZ, m, m) && real(c.MatE, m, 1) && real(c.MatJ, n, 1) && real(c.MatM, n, m) &&
         real(c.MatN, d, m);
}

// The step in the arithmetic F. With `release`, each matrix of the circuit
// is released as soon as it has served (the last attempt); without, the
// circuit is left as it was for another attempt.
template <class F>
StepResult SolveIn(StepCircuit& c, bool potentials, bool release) {
  using Num = typename F::Num;
  using Polar = typename F::Polar;
  const int n = c.NodeCount, m = c.BranchCount, d = m - n;
  const size_t um = static_cast<size_t>(m);
  auto at = [](const CMat& a, int i, int k) { return F::FromComplex(a(i, k)); };

  // The rows of Z in polar form: Z enters N Z, Z11 I1 and I^T Z.
  std::vector<TermOf<F>> zTerms;
  std::vector<size_t> zStart(um + 1, 0);
  for (int k = 0; k < m; ++k) {
    zStart[k] = zTerms.size();
    const TComplex* zk = &c.MatZ(k + 1, 1);
    for (int j = 0; j < m; ++j)
      if (!IsZero(zk[j])) zTerms.push_back({j, F::ToPolar(F::FromComplex(zk[j]))});
  }
  zStart[um] = zTerms.size();

  // A = [M; N Z] and b = [J; N E].
  std::vector<Num> A(um * um);
  std::vector<Num> b(um);
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < m; ++k) A[static_cast<size_t>(i) * m + k] = at(c.MatM, i + 1, k + 1);
    b[i] = at(c.MatJ, i + 1, 1);
  }
  for (int r = 0; r < d; ++r) {
    Num* row = &A[static_cast<size_t>(n + r) * m];
    Num e{};
    for (int k = 0; k < m; ++k) {
      const Num nk = at(c.MatN, r + 1, k + 1);
      if (F::IsZero(nk)) continue;
      const Polar np = F::ToPolar(nk);
      for (size_t t = zStart[k]; t < zStart[k + 1]; ++t)
        row[zTerms[t].K] = F::Add(row[zTerms[t].K], F::Times(np, zTerms[t].P));
      const Num ek = at(c.MatE, k + 1, 1);
      if (!F::IsZero(ek)) e = F::Add(e, F::Times(np, F::ToPolar(ek)));
    }
    b[n + r] = e;
  }
  if (release) {
    c.MatN.Release();
    c.MatJ.Release();
  }

  // I = A^-1 b over the columns of the inverse that meet a non-zero of b.
  StepResult res;
  res.I = CMat(m, 1);
  {
    std::vector<bool> wanted(um);
    for (int k = 0; k < m; ++k) wanted[k] = !F::IsZero(b[k]);
    InverseColumnsOf<F> X(std::move(A), m, wanted);
    X.MulColumn(b, res.I);
  }
  std::vector<Num> iv(um);
  std::vector<Polar> ip(um);
  for (int k = 0; k < m; ++k) {
    iv[k] = F::FromComplex(res.I(k + 1, 1));
    ip[k] = F::ToPolar(iv[k]);
  }

  if (potentials) {
    // Branch voltages of the tree branches: Ub = E1 - Z11 I1.
    std::vector<Num> ub(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      Num zi{};
      for (size_t t = zStart[i]; t < zStart[i + 1]; ++t) {
        const int k = zTerms[t].K;
        if (k < n && !F::IsZero(iv[k])) zi = F::Add(zi, F::Times(zTerms[t].P, ip[k]));
      }
      ub[i] = F::Sub(at(c.MatE, i + 1, 1), zi);
    }
    // Phi = (M11^-1)^T Ub: Phi(i) sums Y(k, i) Ub(k) over k.
    std::vector<Num> m11(static_cast<size_t>(n) * n);
    for (int i = 0; i < n; ++i)
      for (int k = 0; k < n; ++k) m11[static_cast<size_t>(i) * n + k] = at(c.MatM, i + 1, k + 1);
    InverseColumnsOf<F>& Y = TreeInverse<F>(std::move(m11), n);
    res.Phi = CMat(n, 1);
    Y.MulTransposed(ub, res.Phi);
  }
  if (release) {
    c.MatE.Release();
    c.MatM.Release();
  }

  // Loss: T = I^T Z, then S = T conj(I); I keeps the conjugated currents.
  std::vector<Num> T(um);
  for (int k = 0; k < m; ++k) {
    if (F::IsZero(iv[k])) continue;
    for (size_t t = zStart[k]; t < zStart[k + 1]; ++t)
      T[zTerms[t].K] = F::Add(T[zTerms[t].K], F::Times(ip[k], zTerms[t].P));
  }
  ConjugateColumn(res.I, m);
  Num s{};
  for (int k = 0; k < m; ++k) {
    const Num ik = F::FromComplex(res.I(k + 1, 1));
    if (F::IsZero(T[k]) || F::IsZero(ik)) continue;
    s = F::Add(s, F::Times(F::ToPolar(T[k]), F::ToPolar(ik)));
  }
  res.S = CMat(1, 1);
  F::Store(s, res.S(1, 1));
  if (release) c.MatZ.Release();
  return res;
}

}  // namespace

void ForgetTreeInverse() {
  tTree<ComplexField>.M11.clear();
  tTree<ComplexField>.Y.clear();
  tTree<RealField>.M11.clear();
  tTree<RealField>.Y.clear();
}

StepResult SolveStepCore(StepCircuit& c, bool potentials) {
  const int n = c.NodeCount, m = c.BranchCount, d = m - n;
  c.LoopCount = d;
  NeedShape(c.MatM, n, m, "M");
  NeedShape(c.MatN, d, m, "N");
  NeedShape(c.MatZ, m, m, "Z");
  NeedShape(c.MatE, m, 1, "E");
  NeedShape(c.MatJ, n, 1, "J");
  // A DC zone, whose every value is real, is solved in the real arithmetic:
  // the same bits at a fraction of the cost. Should a value or a product not
  // be real, the step is solved again in the complex arithmetic.
  StepResult res;
  bool solved = false;
  if (AllReal(c)) {
    try {
      res = SolveIn<RealField>(c, potentials, false);
      solved = true;
    } catch (const OffTheRealAxis&) {
    }
  }
  if (!solved) return SolveIn<ComplexField>(c, potentials, true);
  c.MatN.Release();
  c.MatJ.Release();
  c.MatE.Release();
  c.MatM.Release();
  c.MatZ.Release();
  return res;
}

}  // namespace tps
