#include "solver/cmplx.h"

#include <cmath>

#include "params/errors.h"

namespace tps {

static constexpr long double kPi = 3.141592653589793238462643383279502884L;
// The snapping threshold in extended precision, for the parts of a product
// before they are stored.
static constexpr long double kSnapL = 1e-5L;

TComplex CFromReal(double x) { return {x, 0.0}; }

TComplex CAdd(TComplex a, TComplex b) {
  double re = static_cast<double>(static_cast<long double>(a.Re) + b.Re);
  double im = static_cast<double>(static_cast<long double>(a.Im) + b.Im);
  return {SnapPart(re), SnapPart(im)};
}

TComplex CSub(TComplex a, TComplex b) {
  double re = static_cast<double>(static_cast<long double>(a.Re) - b.Re);
  double im = static_cast<double>(static_cast<long double>(a.Im) - b.Im);
  return {SnapPart(re), SnapPart(im)};
}

long double PolarAngle(TComplex z) {
  long double x = z.Re, y = z.Im;
  if (x == 0) return y > 0 ? kPi / 2 : (y < 0 ? -kPi / 2 : 0.0L);
  if (y == 0) return x > 0 ? 0.0L : kPi;
  long double t = std::atan(y / x);
  if (x < 0) t += kPi;
  return t;
}

static long double ModulusL(TComplex z) {
  long double x = z.Re, y = z.Im;
  return std::sqrt(x * x + y * y);
}

TPolar ToPolar(TComplex a) { return {ModulusL(a), PolarAngle(a)}; }

TComplex PolarProduct(long double m, long double t) {
  long double im = m * std::sin(t);
  long double re = m * std::cos(t);
  double rIm = std::fabs(im) < kSnapL ? 0.0 : static_cast<double>(im);
  double rRe = std::fabs(re) < kSnapL ? 0.0 : static_cast<double>(re);
  return {SnapPart(rRe), SnapPart(rIm)};
}

TComplex PolarQuotient(const TPolar& a, const TPolar& b) {
  if (b.M == 0) throw SingularError();
  long double m = a.M / b.M;
  long double t = a.T - b.T;
  double im = static_cast<double>(m * std::sin(t));
  double re = a.M != 0 ? static_cast<double>(m * std::cos(t)) : 0.0;
  return {SnapPart(re), SnapPart(im)};
}

TComplex CMul(TComplex a, TComplex b) {
  TPolar pa = ToPolar(a), pb = ToPolar(b);
  return PolarProduct(pa.M * pb.M, pa.T + pb.T);
}

TComplex CDiv(TComplex a, TComplex b) {
  TPolar pb = ToPolar(b);
  if (pb.M == 0) throw SingularError();
  return PolarQuotient(ToPolar(a), pb);
}

TComplex CNeg(TComplex a) { return {-a.Re, -a.Im}; }

double CAbs(TComplex a) { return static_cast<double>(ModulusL(a)); }

double CRe(TComplex a) { return SnapPart(a.Re); }
double CIm(TComplex a) { return SnapPart(a.Im); }

// The principal argument in (-pi, pi]. The imaginary axis and the origin are
// handled without dividing by zero, and a negative real number has the
// argument pi.
double CArg(TComplex a) {
  long double x = a.Re, y = a.Im;
  long double t;
  if (x == 0) t = y > 0 ? kPi / 2 : (y < 0 ? -kPi / 2 : 0.0L);
  else if (y == 0) t = x > 0 ? 0.0L : kPi;
  else t = std::atan(y / x);
  if (x < 0 && y > 0) t += kPi;
  if (x < 0 && y < 0) t -= kPi;
  return static_cast<double>(t);
}

int Sign(double x) { return x > 0 ? 1 : (x < 0 ? -1 : 0); }

bool IsMultiple(double a, double b) {
  if (a == 0) return false;
  long double q = static_cast<long double>(b) / a;
  return q == std::trunc(q);
}

}  // namespace tps
