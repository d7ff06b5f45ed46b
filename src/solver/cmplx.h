// Complex numbers of the matrix method. Every result has each part whose
// absolute value is below 1e-5 set to exactly 0 ("snapped"), and products and
// quotients are formed in polar form (modulus and angle). Intermediates are
// formed in extended precision and the parts stored as f64.
#pragma once

namespace tps {

struct TComplex {
  double Re = 0;
  double Im = 0;
};

inline bool operator==(const TComplex& a, const TComplex& b) { return a.Re == b.Re && a.Im == b.Im; }
inline bool operator!=(const TComplex& a, const TComplex& b) { return !(a == b); }

constexpr double kSnap = 1e-5;

inline double SnapPart(double x) { return (x < kSnap && x > -kSnap) ? 0.0 : x; }

TComplex CFromReal(double x);
TComplex CAdd(TComplex a, TComplex b);
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

// The angle used by the polar product and quotient, in (-pi/2, 3pi/2).
long double PolarAngle(TComplex z);

// Modulus and angle of a complex number in extended precision, exactly as the
// polar product and quotient form them. Kept by the matrix kernels so that an
// operand used many times is converted once.
struct TPolar {
  long double M = 0;  // modulus
  long double T = 0;  // PolarAngle
};
TPolar ToPolar(TComplex a);
// The product from its modulus m = |a| |b| and angle t = angle a + angle b
// (CMul(a, b) is PolarProduct(|a| |b|, angle a + angle b)).
TComplex PolarProduct(long double m, long double t);
// The quotient a / b from the polar forms of a and b (CDiv(a, b) is
// PolarQuotient(ToPolar(a), ToPolar(b))); raises SingularError when |b| = 0.
TComplex PolarQuotient(const TPolar& a, const TPolar& b);

}  // namespace tps
