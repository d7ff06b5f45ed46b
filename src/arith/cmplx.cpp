#include "arith/cmplx.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "arith/errors.h"

namespace tps {

using cmplx_detail::kPi;

TComplex CFromReal(double x) {
  return {x, 0.0};
}

TComplex CSub(TComplex a, TComplex b) {
  double re = static_cast<double>(static_cast<long double>(a.Re) - b.Re);
  double im = static_cast<double>(static_cast<long double>(a.Im) - b.Im);
  return {SnapPart(re), SnapPart(im)};
}

void cmplx_detail::FillAngle(AngleEntry& e, uint64_t mantissa, uint16_t signExponent, long double t) {
  e.Mantissa = mantissa;
  e.SignExponent = signExponent;
  e.Used = true;
  e.Sin = std::sin(t);
  e.Cos = std::cos(t);
}

static long double ModulusL(TComplex z) {
  return ToPolar(z).M;
}

TComplex PolarQuotient(const TPolar& a, const TPolar& b) {
  if (b.M == 0) throw SingularError();
  long double m = a.M / b.M;
  long double t = a.T - b.T;
  const cmplx_detail::AngleEntry& sc = cmplx_detail::AngleSinCos(t);
  double im = static_cast<double>(m * sc.Sin);
  double re = a.M != 0 ? static_cast<double>(m * sc.Cos) : 0.0;
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

TComplex CNeg(TComplex a) {
  return {-a.Re, -a.Im};
}

double CAbs(TComplex a) {
  return static_cast<double>(ModulusL(a));
}

double CRe(TComplex a) {
  return SnapPart(a.Re);
}
double CIm(TComplex a) {
  return SnapPart(a.Im);
}

// The principal argument in (-pi, pi]. The imaginary axis and the origin are
// handled without dividing by zero, and a negative real number has the
// argument pi.
double CArg(TComplex a) {
  long double x = a.Re, y = a.Im;
  long double t;
  if (x == 0)
    t = y > 0 ? kPi / 2 : (y < 0 ? -kPi / 2 : 0.0L);
  else if (y == 0)
    t = x > 0 ? 0.0L : kPi;
  else
    t = std::atan(y / x);
  if (x < 0 && y > 0) t += kPi;
  if (x < 0 && y < 0) t -= kPi;
  return static_cast<double>(t);
}

int Sign(double x) {
  return x > 0 ? 1 : (x < 0 ? -1 : 0);
}

bool IsMultiple(double a, double b) {
  if (a == 0) return false;
  long double q = static_cast<long double>(b) / a;
  return q == std::trunc(q);
}

}  // namespace tps
