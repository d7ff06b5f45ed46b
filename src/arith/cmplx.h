// Complex numbers of the matrix method. Every result has each part whose
// absolute value is below 1e-5 set to exactly 0 ("snapped"), and products and
// quotients are formed in polar form (modulus and angle). Intermediates are
// formed in extended precision and the parts stored as f64.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace tps {

struct TComplex {
  double Re = 0;
  double Im = 0;
};

inline bool operator==(const TComplex& a, const TComplex& b) {
  return a.Re == b.Re && a.Im == b.Im;
}
inline bool operator!=(const TComplex& a, const TComplex& b) {
  return !(a == b);
}

constexpr double kSnap = 1e-5;

inline double SnapPart(double x) {
  return (x < kSnap && x > -kSnap) ? 0.0 : x;
}

TComplex CFromReal(double x);
TComplex CSub(TComplex a, TComplex b);
TComplex CMul(TComplex a, TComplex b);
TComplex CDiv(TComplex a, TComplex b);  // raises SingularError when |b| = 0
TComplex CNeg(TComplex a);
double CAbs(TComplex a);
double CRe(TComplex a);
double CIm(TComplex a);
double CArg(TComplex a);
int Sign(double x);
bool IsMultiple(double a, double b);

inline TComplex CAdd(TComplex a, TComplex b) {
  double re = static_cast<double>(static_cast<long double>(a.Re) + b.Re);
  double im = static_cast<double>(static_cast<long double>(a.Im) + b.Im);
  return {SnapPart(re), SnapPart(im)};
}

// Modulus and angle of a complex number in extended precision, exactly as the
// polar product and quotient form them. Kept by the matrix kernels so that an
// operand used many times is converted once.
struct TPolar {
  long double M = 0;  // modulus
  long double T = 0;  // PolarAngle
};

namespace cmplx_detail {

inline constexpr long double kPi = 3.141592653589793238462643383279502884L;
// The snapping threshold in extended precision, for the parts of a product
// before they are stored.
inline constexpr long double kSnapL = 1e-5L;

// The sine and cosine of the angles met lately. The angles of a circuit's
// products are few (an impedance per km has the same angle whatever the
// length, and the sums of a few angles come again and again), and the sine
// and cosine in extended precision cost far more than a look-up. An entry is
// found by the exact bits of the angle, so it holds exactly what std::sin and
// std::cos return for that angle.
struct AngleEntry {
  uint64_t Mantissa = 0;
  uint16_t SignExponent = 0;
  bool Used = false;
  long double Sin = 0, Cos = 0;
};
inline constexpr int kAngleBits = 12;
inline thread_local AngleEntry AngleTable[1u << kAngleBits];

// Fills the entry with the sine and cosine of t.
void FillAngle(AngleEntry& e, uint64_t mantissa, uint16_t signExponent, long double t);

// The angles of the products and quotients of real numbers, 0, pi, 2 pi and
// -pi, have entries of their own, found without the hash.
inline thread_local AngleEntry AxisAngles[4];
inline constexpr uint64_t kPiMantissa = 0xC90FDAA22168C235ull;  // pi, 2 pi and -pi
inline constexpr uint16_t kPiSignExponent = 0x4000, kTwoPiSignExponent = 0x4001,
                          kMinusPiSignExponent = 0xC000;

inline const AngleEntry& AngleSinCos(long double t) {
  uint64_t mantissa;
  uint16_t signExponent;
  std::memcpy(&mantissa, &t, sizeof mantissa);
  std::memcpy(&signExponent, reinterpret_cast<const unsigned char*>(&t) + sizeof mantissa,
              sizeof signExponent);
  int axis = -1;
  if ((mantissa | signExponent) == 0)
    axis = 0;
  else if (mantissa == kPiMantissa && signExponent == kPiSignExponent)
    axis = 1;
  else if (mantissa == kPiMantissa && signExponent == kTwoPiSignExponent)
    axis = 2;
  else if (mantissa == kPiMantissa && signExponent == kMinusPiSignExponent)
    axis = 3;
  if (axis >= 0) {
    AngleEntry& e = AxisAngles[axis];
    if (!e.Used) FillAngle(e, mantissa, signExponent, t);
    return e;
  }
  const uint64_t h = (mantissa ^ (mantissa >> 31) ^ (uint64_t{signExponent} << 47)) * 0x9E3779B97F4A7C15ull;
  AngleEntry& e = AngleTable[h >> (64 - kAngleBits)];
  if (!e.Used || e.Mantissa != mantissa || e.SignExponent != signExponent)
    FillAngle(e, mantissa, signExponent, t);
  return e;
}

}  // namespace cmplx_detail

// The angle used by the polar product and quotient, in (-pi/2, 3pi/2).
inline long double PolarAngle(TComplex z) {
  using cmplx_detail::kPi;
  long double x = z.Re, y = z.Im;
  if (x == 0) return y > 0 ? kPi / 2 : (y < 0 ? -kPi / 2 : 0.0L);
  if (y == 0) return x > 0 ? 0.0L : kPi;
  long double t = std::atan(y / x);
  if (x < 0) t += kPi;
  return t;
}

inline TPolar ToPolar(TComplex a) {
  long double x = a.Re, y = a.Im;
  // On an axis the modulus is the other part's magnitude: the square of a
  // double rounded to the 64-bit mantissa is off by less than half a unit of
  // its last place, and its correctly rounded square root comes back to the
  // double exactly, so the square root is not taken.
  if (y == 0) return {std::fabs(x), PolarAngle(a)};
  if (x == 0) return {std::fabs(y), PolarAngle(a)};
  return {std::sqrt(x * x + y * y), PolarAngle(a)};
}

// The product from its modulus m = |a| |b| and angle t = angle a + angle b
// (CMul(a, b) is PolarProduct(|a| |b|, angle a + angle b)).
inline TComplex PolarProduct(long double m, long double t) {
  using cmplx_detail::kSnapL;
  const cmplx_detail::AngleEntry& sc = cmplx_detail::AngleSinCos(t);
  long double im = m * sc.Sin;
  long double re = m * sc.Cos;
  double rIm = std::fabs(im) < kSnapL ? 0.0 : static_cast<double>(im);
  double rRe = std::fabs(re) < kSnapL ? 0.0 : static_cast<double>(re);
  return {SnapPart(rRe), SnapPart(rIm)};
}

// The quotient a / b from the polar forms of a and b (CDiv(a, b) is
// PolarQuotient(ToPolar(a), ToPolar(b))); raises SingularError when |b| = 0.
TComplex PolarQuotient(const TPolar& a, const TPolar& b);

}  // namespace tps
