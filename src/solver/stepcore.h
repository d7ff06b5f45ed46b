// The matrix core of one step on sparse rows: the branch currents
// A^-1 b of [M; N Z] I = [J; N E], the node potentials and the loss product,
// with the same bits as the element-by-element Gauss-Jordan inverse and
// matrix products, doing only the work that reaches a result.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "arith/cmplx.h"
#include "arith/errors.h"
#include "arith/matr.h"

namespace tps {

// The arithmetic of the elimination: the complex numbers of the system
// (every circuit), with the polar form of an operand kept where it is used
// many times.
struct ComplexField {
  using Num = TComplex;
  using Polar = TPolar;
  // 0 + j0, either zero of either sign: no bit set but the signs.
  static bool IsZero(const Num& z) {
    uint64_t re, im;
    std::memcpy(&re, &z.Re, sizeof re);
    std::memcpy(&im, &z.Im, sizeof im);
    return ((re | im) << 1) == 0;
  }
  static Num Snapped(const Num& z) { return {SnapPart(z.Re), SnapPart(z.Im)}; }
  static Num FromReal(double x) { return {x, 0.0}; }
  static Polar ToPolar(const Num& z) { return tps::ToPolar(z); }
  // CMul(a, f) and CDiv(a, p) from the polar forms.
  static Num Times(const Polar& a, const Polar& f) { return PolarProduct(a.M * f.M, a.T + f.T); }
  static Num Quotient(const Polar& a, const Polar& p) { return PolarQuotient(a, p); }
  static Num Add(const Num& a, const Num& b) { return CAdd(a, b); }
  static Num Neg(const Num& z) { return CNeg(z); }
  static bool SamePolar(const Polar& a, const Polar& b) { return a.M == b.M && a.T == b.T; }
  static Num Sub(const Num& a, const Num& b) { return CSub(a, b); }
  static Num FromComplex(const TComplex& z) { return z; }
  static void Store(const Num& x, TComplex& out) { out = x; }
};

// The sine and cosine of the angles of real products and quotients, -pi, 0,
// pi and 2 pi, as the complex arithmetic looks them up.
struct AxisTrig {
  long double Sin[4], Cos[4];
};
inline const AxisTrig& Axis() {
  static const AxisTrig trig = [] {
    using cmplx_detail::kPi;
    AxisTrig t{};
    const long double angles[4] = {-kPi, 0.0L, kPi, kPi + kPi};
    for (int i = 0; i < 4; ++i) {
      const cmplx_detail::AngleEntry& e = cmplx_detail::AngleSinCos(angles[i]);
      t.Sin[i] = e.Sin;
      t.Cos[i] = e.Cos;
    }
    return t;
  }();
  return trig;
}

// A product or quotient of the real arithmetic that would leave the real
// axis: the step is solved in the complex arithmetic instead.
struct OffTheRealAxis {};

// The same arithmetic on a circuit whose every value is real (a DC zone):
// a number is its real part, its imaginary part being 0; its polar angle is
// 0 or pi. Each operation forms the real part exactly as the complex one
// does (the same extended-precision modulus, the same sine and cosine of the
// same angle, the same snapping) and raises OffTheRealAxis when the
// imaginary part would not snap to 0, so that a result of this arithmetic is
// always the bits the complex arithmetic gives.
struct RealField {
  using Num = double;
  struct Polar {
    long double M;
    int Half;  // the angle: 0 for 0, 1 for pi
  };
  static bool IsZero(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return (bits << 1) == 0;
  }
  static double Snapped(double x) { return SnapPart(x); }
  static double FromReal(double x) { return x; }
  // As ToPolar of x + j0: a negative number (and a NaN) has the angle pi.
  static Polar ToPolar(double x) {
    return {std::fabs(static_cast<long double>(x)), (x > 0 || x == 0) ? 0 : 1};
  }
  // PolarProduct(|a| |f|, angle a + angle f): the angle is 0, pi or 2 pi.
  static double Times(const Polar& a, const Polar& f) {
    using cmplx_detail::kSnapL;
    const AxisTrig& t = Axis();
    const int h = a.Half + f.Half + 1;
    const long double m = a.M * f.M;
    const long double im = m * t.Sin[h];
    const long double re = m * t.Cos[h];
    const double rIm = std::fabs(im) < kSnapL ? 0.0 : static_cast<double>(im);
    const double rRe = std::fabs(re) < kSnapL ? 0.0 : static_cast<double>(re);
    if (SnapPart(rIm) != 0) throw OffTheRealAxis{};
    return SnapPart(rRe);
  }
  // PolarQuotient: the angle is -pi, 0 or pi.
  static double Quotient(const Polar& a, const Polar& p) {
    if (p.M == 0) throw SingularError();
    const AxisTrig& t = Axis();
    const int h = a.Half - p.Half + 1;
    const long double m = a.M / p.M;
    const double im = static_cast<double>(m * t.Sin[h]);
    const double re = a.M != 0 ? static_cast<double>(m * t.Cos[h]) : 0.0;
    if (SnapPart(im) != 0) throw OffTheRealAxis{};
    return SnapPart(re);
  }
  static double Add(double a, double b) {
    return SnapPart(static_cast<double>(static_cast<long double>(a) + b));
  }
  static double Neg(double x) { return -x; }
  static bool SamePolar(const Polar& a, const Polar& b) { return a.M == b.M && a.Half == b.Half; }
  static double Sub(double a, double b) {
    return SnapPart(static_cast<double>(static_cast<long double>(a) - b));
  }
  // An element of the circuit's matrices: its real part, when it has no
  // imaginary part.
  static double FromComplex(const TComplex& z) {
    if (z.Im != 0) throw OffTheRealAxis{};
    return z.Re;
  }
  static void Store(double x, TComplex& out) { out = {x, 0.0}; }
};

// Columns of the inverse of an n x n matrix by the Gauss-Jordan elimination
// of MatInverse, bit for bit: the same pivots, the same deferred row
// exchanges, the same order of every partial sum. Only the columns asked for
// are formed (the columns of the work matrix evolve independently once the
// eliminating factors are fixed).
template <class F>
class InverseColumnsOf {
 public:
  using Num = typename F::Num;
  // `a` holds the matrix row by row (element (i, k) at a[(i - 1) n + k - 1])
  // and is consumed; wanted[k - 1] asks for column k. Raises SingularError as
  // MatInverse does.
  InverseColumnsOf(std::vector<Num> a, int n, const std::vector<bool>& wanted);
  // Element (i, k) of the inverse, 1-based; k must have been asked for.
  const Num& At(int i, int k) const { return s_[static_cast<size_t>(i - 1) * width_ + slot_[k - 1]]; }
  // The product of the inverse with the column b (n elements, 0-based) into
  // out(1..n, 1), as MatMul forms it; b's non-zero elements must have been
  // asked for.
  void MulColumn(const std::vector<Num>& b, CMat& out);
  // The transposed inverse times the column u, X^T u, into out(1..n, 1), as
  // MatMul(MatTranspose(X), u) forms it; every column must have been asked for.
  void MulTransposed(const std::vector<Num>& u, CMat& out);

  // A non-zero element of a row (0-based column) with its polar form.
  struct Term {
    int K;
    typename F::Polar P;
  };

 private:
  int n_ = 0, width_ = 0;
  std::vector<int> slot_;    // per column of the inverse: its place among the formed ones
  std::vector<int> column_;  // per place: the column of the inverse
  std::vector<Num> s_;       // the formed columns, row by row
  // The non-zero elements of the final rows in polar form, kept from the
  // backward pass where a row served as pivot row.
  std::vector<Term> terms_;               // the kept rows one after another
  std::vector<int> termStart_, termEnd_;  // per row; -1: not kept yet
  struct Span {
    const Term *Begin, *End;
    const Term* begin() const { return Begin; }
    const Term* end() const { return End; }
  };
  // The places of the columns asked for, after the exchanges; returns the
  // place of each column of S (-1: not formed).
  std::vector<int> Place(const std::vector<std::pair<int, int>>& exchanges, const std::vector<bool>& wanted);
  // Row i's terms, gathered now unless kept.
  Span RowTerms(int i);
};

using InverseColumns = InverseColumnsOf<ComplexField>;
extern template class InverseColumnsOf<ComplexField>;
extern template class InverseColumnsOf<RealField>;

// Forgets the inverse of the tree block kept from the last step, so that the
// next step forms it afresh (a cold step, as the benchmark times one).
void ForgetTreeInverse();

struct StepCircuit;
struct StepResult;
// The matrix core of one step on sparse rows: the same results, bit for bit,
// as MatInverse and MatMul element by element give them for
// [M; N Z] I = [J; N E], the potentials and the loss product.
StepResult SolveStepCore(StepCircuit& c, bool potentials);

}  // namespace tps
