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

// 0 + j0, either zero of either sign: no bit set but the signs.
bool IsZero(const TComplex& z) {
  uint64_t re, im;
  std::memcpy(&re, &z.Re, sizeof re);
  std::memcpy(&im, &z.Im, sizeof im);
  return ((re | im) << 1) == 0;
}
TComplex Snapped(const TComplex& z) {
  return {SnapPart(z.Re), SnapPart(z.Im)};
}

// The product of two operands in polar form, as CMul(a, f) forms it.
TComplex Times(const TPolar& a, const TPolar& f) {
  return PolarProduct(a.M * f.M, a.T + f.T);
}

using Term = InverseColumns::Term;

void Gather(const TComplex* row, int n, std::vector<Term>& out) {
  out.clear();
  for (int k = 0; k < n; ++k)
    if (!IsZero(row[k])) out.push_back({k, ToPolar(row[k])});
}

// The row divided by its pivot p (CDiv of every element; a zero stays 0 + j0)
// and, with `out`, its non-zero quotients gathered.
void DivideRow(TComplex* row, int n, const TPolar& p, std::vector<Term>* out) {
  if (out) out->clear();
  for (int k = 0; k < n; ++k) {
    if (IsZero(row[k])) {
      row[k] = TComplex{};
      continue;
    }
    row[k] = PolarQuotient(ToPolar(row[k]), p);
    if (out && !IsZero(row[k])) out->push_back({k, ToPolar(row[k])});
  }
}

// row += pivot * f over the pivot row's non-zero elements.
bool SamePolar(const TPolar& a, const TPolar& b) {
  return a.M == b.M && a.T == b.T;
}

// row += pivot * f over the pivot row's non-zero elements. Equal values of
// the pivot row have equal polar forms and so equal products with f; the
// product of the last value is taken again when the same value follows.
template <class Terms>
void AddScaled(TComplex* row, const Terms& pivot, const TPolar& f) {
  TPolar last{-1, 0};
  TComplex product{};
  for (const Term& t : pivot) {
    if (!SamePolar(t.P, last)) {
      last = t.P;
      product = Times(t.P, f);
    }
    row[t.K] = CAdd(product, row[t.K]);
  }
}

// One forward step of the elimination: the pivot row divided by P, then
// row Row of the work matrix += pivot row * F for each recorded elimination.
struct Elimination {
  int Row;
  TPolar F;
};
struct PivotStep {
  TPolar P;
  size_t First, Last;  // its eliminations
};
// One backward step: row Row += row Pivot * F.
struct BackStep {
  int Pivot, Row;
  TPolar F;
};

// The forward pass on R (n x n, row by row, 0-based), recording pivots and
// factors. With `exchanges`, a zero pivot takes the next lower row with a
// non-zero element in its column, exchanged over the columns from the pivot
// on, and the (1-based) pair is recorded.
void ForwardR(TComplex* R, int n, std::vector<std::pair<int, int>>* exchanges, std::vector<PivotStep>& pivots,
              std::vector<Elimination>& elims) {
  const TComplex minusOne = CFromReal(-1);
  std::vector<Term> row;
  pivots.clear();
  elims.clear();
  for (int i = 0; i < n; ++i) {
    TComplex* Ri = R + static_cast<size_t>(i) * n;
    if (exchanges && IsZero(Ri[i])) {
      for (int j = i + 1; j < n; ++j) {
        TComplex* Rj = R + static_cast<size_t>(j) * n;
        if (IsZero(Rj[i])) continue;
        if (exchanges->size() >= kMaxRowExchanges) throw SingularError();
        for (int k = i; k < n; ++k) std::swap(Ri[k], Rj[k]);
        exchanges->emplace_back(i + 1, j + 1);
        break;
      }
    }
    const TPolar p = ToPolar(Ri[i]);
    if (p.M == 0) throw SingularError();  // CDiv by the zero pivot
    DivideRow(Ri, n, p, &row);
    const size_t first = elims.size();
    // Below the first pivot the rows still hold the input as given: adding
    // 0 + j0 snaps an element, so the untouched ones are snapped.
    const bool raw = i == 0;
    for (int j = i + 1; j < n; ++j) {
      TComplex* Rj = R + static_cast<size_t>(j) * n;
      const TComplex f = IsZero(Rj[i]) ? TComplex{} : CMul(minusOne, Rj[i]);
      if (IsZero(f)) {
        if (raw)
          for (int k = 0; k < n; ++k) Rj[k] = Snapped(Rj[k]);
        continue;
      }
      const TPolar fp = ToPolar(f);
      if (raw) {
        size_t t = 0;
        for (int k = 0; k < n; ++k) {
          if (t < row.size() && row[t].K == k)
            Rj[k] = CAdd(Times(row[t++].P, fp), Rj[k]);
          else
            Rj[k] = Snapped(Rj[k]);
        }
      } else {
        AddScaled(Rj, row, fp);
      }
      elims.push_back({j, fp});
    }
    pivots.push_back({p, first, elims.size()});
  }
}

// The backward pass on R: column c cleared above the diagonal with row c, for
// c from the last down to the second and the rows above from c - 1 up.
void BackwardR(TComplex* R, int n, std::vector<BackStep>& steps) {
  std::vector<Term> row;
  steps.clear();
  for (int c = n - 1; c >= 1; --c) {
    bool gathered = false;
    for (int j = c - 1; j >= 0; --j) {
      TComplex* Rj = R + static_cast<size_t>(j) * n;
      if (IsZero(Rj[c])) continue;
      if (!gathered) {
        Gather(R + static_cast<size_t>(c) * n, n, row);
        gathered = true;
      }
      const TPolar fp = ToPolar(CNeg(Rj[c]));
      AddScaled(Rj, row, fp);
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
bool IntegerInverse(const std::vector<TComplex>& a, int n, std::vector<std::pair<int, int>>& exchanges,
                    std::vector<double>& S) {
  const size_t nn = static_cast<size_t>(n) * n;
  // From the last row up: the loop rows of a circuit matrix, at its foot,
  // tell at once that it is not an incidence block.
  for (size_t e = nn; e-- > 0;) {
    const double x = a[e].Re;
    if (a[e].Im != 0 || !(std::fabs(x) <= kIntegerBound) || static_cast<double>(static_cast<int64_t>(x)) != x)
      return false;
  }
  std::vector<double> R(nn);
  for (size_t e = 0; e < nn; ++e) R[e] = a[e].Re;
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

std::vector<int> InverseColumns::Place(const std::vector<std::pair<int, int>>& exchanges,
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

InverseColumns::InverseColumns(std::vector<TComplex> a, int n, const std::vector<bool>& wanted) : n_(n) {
  std::vector<std::pair<int, int>> exchanges;
  {
    std::vector<double> whole;
    if (IntegerInverse(a, n, exchanges, whole)) {
      const std::vector<int> slotOfS = Place(exchanges, wanted);
      const int w = width_;
      s_.assign(static_cast<size_t>(n) * w, TComplex{});
      for (int sc = 0; sc < n; ++sc) {
        if (slotOfS[sc] < 0) continue;
        for (int i = 0; i < n; ++i)
          s_[static_cast<size_t>(i) * w + slotOfS[sc]].Re = whole[static_cast<size_t>(i) * n + sc];
      }
      return;
    }
    exchanges.clear();
  }
  std::vector<TComplex> r = a;
  std::vector<PivotStep> pivots;
  std::vector<Elimination> elims;
  ForwardR(r.data(), n, &exchanges, pivots, elims);
  if (!exchanges.empty()) {
    // The exchanges found on the way are applied to whole rows and the
    // elimination is repeated on the permuted matrix.
    for (const auto& [i, j] : exchanges)
      for (int k = 0; k < n; ++k)
        std::swap(a[static_cast<size_t>(i - 1) * n + k], a[static_cast<size_t>(j - 1) * n + k]);
    r = std::move(a);
    ForwardR(r.data(), n, nullptr, pivots, elims);
  }
  std::vector<BackStep> back;
  BackwardR(r.data(), n, back);
  const std::vector<int> slotOfS = Place(exchanges, wanted);
  const int w = width_;
  s_.assign(static_cast<size_t>(n) * w, TComplex{});
  for (int sc = 0; sc < n; ++sc)
    if (slotOfS[sc] >= 0) s_[static_cast<size_t>(sc) * w + slotOfS[sc]] = CFromReal(1);
  if (w == 0) return;

  std::vector<Term> row;
  for (int i = 0; i < n; ++i) {
    TComplex* Si = s_.data() + (static_cast<size_t>(i) * w);
    const PivotStep& ps = pivots[i];
    DivideRow(Si, w, ps.P, ps.First == ps.Last ? nullptr : &row);
    if (ps.First == ps.Last) continue;
    for (size_t e = ps.First; e < ps.Last; ++e)
      AddScaled(s_.data() + static_cast<size_t>(elims[e].Row) * w, row, elims[e].F);
  }
  // A pivot row of the backward pass is final when it is gathered: its polar
  // forms are kept for the products with the inverse.
  terms_.reserve(static_cast<size_t>(n) * w);
  for (const BackStep& b : back) AddScaled(s_.data() + (static_cast<size_t>(b.Row) * w), RowTerms(b.Pivot), b.F);
}

InverseColumns::Span InverseColumns::RowTerms(int i) {
  if (termStart_[i] < 0) {
    termStart_[i] = static_cast<int>(terms_.size());
    const TComplex* row = s_.data() + (static_cast<size_t>(i) * width_);
    for (int x = 0; x < width_; ++x)
      if (!IsZero(row[x])) terms_.push_back({x, ToPolar(row[x])});
    termEnd_[i] = static_cast<int>(terms_.size());
  }
  return {terms_.data() + termStart_[i], terms_.data() + termEnd_[i]};
}

void InverseColumns::MulTransposed(const std::vector<TComplex>& u, CMat& out) {
  // Row k of the inverse times u(k), for k ascending, added into the sums of
  // its columns: each sum receives its terms for k ascending. The products
  // of u(k) with equal values of the row (an incidence-like inverse holds
  // little more than +1 and -1) are formed once.
  std::vector<TComplex> sum(static_cast<size_t>(width_));
  for (int k = 0; k < n_; ++k) {
    if (IsZero(u[k])) continue;
    const TPolar up = ToPolar(u[k]);
    TComplex seen[2], product[2];
    int count = 0, next = 0;
    const TComplex* row = s_.data() + (static_cast<size_t>(k) * width_);
    for (int x = 0; x < width_; ++x) {
      const TComplex& y = row[x];
      if (IsZero(y)) continue;
      int hit = -1;
      for (int q = 0; q < count; ++q)
        if (std::memcmp(&seen[q], &y, sizeof y) == 0) hit = q;
      if (hit < 0) {
        seen[next] = y;
        product[next] = Times(ToPolar(y), up);
        hit = next;
        next ^= 1;
        if (count < 2) ++count;
      }
      sum[x] = CAdd(sum[x], product[hit]);
    }
  }
  for (int x = 0; x < width_; ++x) out(column_[x] + 1, 1) = sum[x];
}

void InverseColumns::MulColumn(const std::vector<TComplex>& b, CMat& out) {
  std::vector<TPolar> bp(static_cast<size_t>(width_));
  for (int x = 0; x < width_; ++x) bp[x] = ToPolar(b[column_[x]]);
  // The last value met in each column and its product with b: a column of
  // the inverse often holds the same value in many rows.
  std::vector<TPolar> lastValue(static_cast<size_t>(width_), TPolar{-1, 0});
  std::vector<TComplex> lastProduct(static_cast<size_t>(width_));
  for (int i = 0; i < n_; ++i) {
    const Span terms = RowTerms(i);
    // The places follow the columns in ascending order, so the terms come for
    // k ascending.
    TComplex sum{};
    for (const Term& t : terms) {
      if (IsZero(b[column_[t.K]])) continue;
      if (!SamePolar(t.P, lastValue[t.K])) {
        lastValue[t.K] = t.P;
        lastProduct[t.K] = Times(t.P, bp[t.K]);
      }
      sum = CAdd(sum, lastProduct[t.K]);
    }
    out(i + 1, 1) = sum;
  }
}

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
struct TreeMemory {
  std::vector<TComplex> M11;
  std::vector<InverseColumns> Y;  // empty or one
};
thread_local TreeMemory tTree;

InverseColumns& TreeInverse(std::vector<TComplex> m11, int n) {
  TreeMemory& mem = tTree;
  if (!mem.Y.empty() && mem.M11.size() == m11.size() &&
      std::memcmp(mem.M11.data(), m11.data(), m11.size() * sizeof(TComplex)) == 0)
    return mem.Y.front();
  mem.Y.clear();
  mem.M11 = m11;
  mem.Y.emplace_back(std::move(m11), n, std::vector<bool>(static_cast<size_t>(n), true));
  return mem.Y.front();
}

}  // namespace

void ForgetTreeInverse() {
  tTree.M11.clear();
  tTree.Y.clear();
}

StepResult SolveStepCore(StepCircuit& c, bool potentials) {
  const int n = c.NodeCount, m = c.BranchCount, d = m - n;
  c.LoopCount = d;
  NeedShape(c.MatM, n, m, "M");
  NeedShape(c.MatN, d, m, "N");
  NeedShape(c.MatZ, m, m, "Z");
  NeedShape(c.MatE, m, 1, "E");
  NeedShape(c.MatJ, n, 1, "J");
  const size_t um = static_cast<size_t>(m);

  // The rows of Z in polar form: Z enters N Z, Z11 I1 and I^T Z.
  std::vector<Term> zTerms;
  std::vector<size_t> zStart(um + 1, 0);
  for (int k = 0; k < m; ++k) {
    zStart[k] = zTerms.size();
    const TComplex* zk = &c.MatZ(k + 1, 1);
    for (int j = 0; j < m; ++j)
      if (!IsZero(zk[j])) zTerms.push_back({j, ToPolar(zk[j])});
  }
  zStart[um] = zTerms.size();

  // A = [M; N Z] and b = [J; N E].
  std::vector<TComplex> A(um * um);
  std::vector<TComplex> b(um);
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < m; ++k) A[static_cast<size_t>(i) * m + k] = c.MatM(i + 1, k + 1);
    b[i] = c.MatJ(i + 1, 1);
  }
  for (int r = 0; r < d; ++r) {
    TComplex* row = &A[static_cast<size_t>(n + r) * m];
    TComplex e{};
    for (int k = 0; k < m; ++k) {
      const TComplex nk = c.MatN(r + 1, k + 1);
      if (IsZero(nk)) continue;
      const TPolar np = ToPolar(nk);
      for (size_t t = zStart[k]; t < zStart[k + 1]; ++t)
        row[zTerms[t].K] = CAdd(row[zTerms[t].K], Times(np, zTerms[t].P));
      const TComplex ek = c.MatE(k + 1, 1);
      if (!IsZero(ek)) e = CAdd(e, Times(np, ToPolar(ek)));
    }
    b[n + r] = e;
  }
  c.MatN.Release();
  c.MatJ.Release();

  // I = A^-1 b over the columns of the inverse that meet a non-zero of b.
  StepResult res;
  res.I = CMat(m, 1);
  {
    std::vector<bool> wanted(um);
    for (int k = 0; k < m; ++k) wanted[k] = !IsZero(b[k]);
    InverseColumns X(std::move(A), m, wanted);
    X.MulColumn(b, res.I);
  }
  std::vector<TPolar> ip(um);
  for (int k = 0; k < m; ++k) ip[k] = ToPolar(res.I(k + 1, 1));

  if (potentials) {
    // Branch voltages of the tree branches: Ub = E1 - Z11 I1.
    std::vector<TComplex> ub(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      TComplex zi{};
      for (size_t t = zStart[i]; t < zStart[i + 1]; ++t) {
        const int k = zTerms[t].K;
        if (k < n && !IsZero(res.I(k + 1, 1))) zi = CAdd(zi, Times(zTerms[t].P, ip[k]));
      }
      ub[i] = CSub(c.MatE(i + 1, 1), zi);
    }
    // Phi = (M11^-1)^T Ub: Phi(i) sums Y(k, i) Ub(k) over k.
    std::vector<TComplex> m11(static_cast<size_t>(n) * n);
    for (int i = 0; i < n; ++i)
      for (int k = 0; k < n; ++k) m11[static_cast<size_t>(i) * n + k] = c.MatM(i + 1, k + 1);
    InverseColumns& Y = TreeInverse(std::move(m11), n);
    res.Phi = CMat(n, 1);
    Y.MulTransposed(ub, res.Phi);
  }
  c.MatE.Release();
  c.MatM.Release();

  // Loss: T = I^T Z, then S = T conj(I); I keeps the conjugated currents.
  std::vector<TComplex> T(um);
  for (int k = 0; k < m; ++k) {
    if (IsZero(res.I(k + 1, 1))) continue;
    for (size_t t = zStart[k]; t < zStart[k + 1]; ++t)
      T[zTerms[t].K] = CAdd(T[zTerms[t].K], Times(ip[k], zTerms[t].P));
  }
  ConjugateColumn(res.I, m);
  TComplex s{};
  for (int k = 0; k < m; ++k) {
    const TComplex& ik = res.I(k + 1, 1);
    if (IsZero(T[k]) || IsZero(ik)) continue;
    s = CAdd(s, Times(ToPolar(T[k]), ToPolar(ik)));
  }
  res.S = CMat(1, 1);
  res.S(1, 1) = s;
  c.MatZ.Release();
  return res;
}

}  // namespace tps
