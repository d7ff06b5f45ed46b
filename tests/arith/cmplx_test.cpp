#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "params/errors.h"
#include "arith/cmplx.h"

using namespace tps;

namespace {

constexpr long double kPiL = 3.141592653589793238462643383279502884L;

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

TEST(ComplexSnap, TinyPartsOfSumsAndProductsBecomeExactZeros) {
  // The tiny real part of the product is snapped, the unit imaginary part kept.
  TComplex p = CMul({1, 0}, {0.000004, 1});
  EXPECT_EQ(p.Re, 0.0);
  EXPECT_NEAR(p.Im, 1.0, 1e-12);

  TComplex s = CAdd({1, 2}, {-1, -1.999995});
  EXPECT_TRUE(SameBits(s.Re, 0.0));
  EXPECT_TRUE(SameBits(s.Im, 0.0));

  TComplex d = CSub({5, 3e-6}, {5 - 4e-6, 0});
  EXPECT_TRUE(SameBits(d.Re, 0.0));
  EXPECT_TRUE(SameBits(d.Im, 0.0));

  // A part exactly at the threshold stays.
  EXPECT_EQ(CAdd({1e-5, 0}, {0, 0}).Re, 1e-5);
  EXPECT_EQ(CRe({-9.99e-6, 0}), 0.0);
  EXPECT_EQ(CIm({0, 2e-5}), 2e-5);
}

TEST(ComplexSnap, ZeroResultsNeverCarryANegativeSign) {
  // A product with zero and a negative factor would give -0 without snapping.
  TComplex p = CMul({0, 0}, {-3, -4});
  EXPECT_TRUE(SameBits(p.Re, 0.0));
  EXPECT_TRUE(SameBits(p.Im, 0.0));
  TComplex s = CAdd({-0.0, -0.0}, {-0.0, -0.0});
  EXPECT_TRUE(SameBits(s.Re, 0.0));
  EXPECT_TRUE(SameBits(s.Im, 0.0));
  TComplex q = CDiv({0, 0}, {-3, 4});
  EXPECT_TRUE(SameBits(q.Re, 0.0));
  EXPECT_TRUE(SameBits(q.Im, 0.0));
}

TEST(ComplexPolar, AnglesFollowTheQuadrantRules) {
  EXPECT_EQ(PolarAngle({0, 2}), kPiL / 2);
  EXPECT_EQ(PolarAngle({0, -2}), -kPiL / 2);
  EXPECT_EQ(PolarAngle({0, 0}), 0.0L);
  EXPECT_EQ(PolarAngle({3, 0}), 0.0L);
  EXPECT_EQ(PolarAngle({-3, 0}), kPiL);
  EXPECT_EQ(PolarAngle({1, 1}), std::atan(1.0L));
  // Left half-plane: pi is added in both quadrants, so the angle runs up to 3pi/2.
  EXPECT_EQ(PolarAngle({-1, 1}), std::atan(-1.0L) + kPiL);
  EXPECT_EQ(PolarAngle({-1, -1}), std::atan(1.0L) + kPiL);
}

TEST(ComplexPolar, ProductsAndQuotients) {
  // Angles pi and pi add up to 2pi.
  TComplex p = CMul({-1, 0}, {-2, 0});
  EXPECT_EQ(p.Re, 2.0);
  EXPECT_EQ(p.Im, 0.0);
  TComplex jj = CMul({0, 2}, {0, 3});
  EXPECT_NEAR(jj.Re, -6.0, 1e-15);
  EXPECT_EQ(jj.Im, 0.0);
  TComplex g = CMul({3, 4}, {1, -2});  // 11 - 2j
  EXPECT_NEAR(g.Re, 11.0, 1e-13);
  EXPECT_NEAR(g.Im, -2.0, 1e-13);
  TComplex q = CDiv({1, 1}, {1, -1});  // j
  EXPECT_EQ(q.Re, 0.0);
  EXPECT_NEAR(q.Im, 1.0, 1e-15);
  TComplex z = CDiv({0, 0}, {3, 4});
  EXPECT_EQ(z.Re, 0.0);
  EXPECT_EQ(z.Im, 0.0);
  TComplex h = CDiv({-7, 24}, {3, 4});  // (-7 + 24j) / (3 + 4j) = 3 + 4j
  EXPECT_NEAR(h.Re, 3.0, 1e-13);
  EXPECT_NEAR(h.Im, 4.0, 1e-13);
}

TEST(ComplexPolar, ProductsKeepExtendedPrecisionUntilStored) {
  // The modulus and angle are formed in extended precision: squaring a number
  // of modulus 1e200 would overflow in double precision.
  TComplex p = CMul({1e200, 1e200}, {1e-200, -1e-200});
  EXPECT_NEAR(p.Re, 2.0, 1e-12);
  EXPECT_EQ(p.Im, 0.0);
  TComplex q = CDiv({3e-200, 4e-200}, {3e-200, 4e-200});
  EXPECT_NEAR(q.Re, 1.0, 1e-15);
  EXPECT_EQ(q.Im, 0.0);
}

TEST(ComplexPolar, SumsAreRoundedOnceFromExtendedPrecision) {
  // 1 + (2^-53 + 2^-105) rounds to 1 + 2^-52 in double arithmetic, but to
  // 1 + 2^-53 in extended precision and then, a tie, to 1 when stored.
  double b = std::ldexp(1.0, -53) + std::ldexp(1.0, -105);
  EXPECT_EQ(CAdd({1, 0}, {b, 0}).Re, 1.0);
  EXPECT_EQ(CSub({1, 0}, {-b, 0}).Re, 1.0);
}

TEST(ComplexFailure, DivisionByZeroRaisesInsteadOfEndingTheProgram) {
  EXPECT_THROW(CDiv({1, 2}, {0, 0}), SingularError);
  EXPECT_THROW(CDiv({0, 0}, {-0.0, 0}), SingularError);
  // A tiny divisor is not zero.
  TComplex q = CDiv({1e-300, 0}, {1e-300, 0});
  EXPECT_NEAR(q.Re, 1.0, 1e-15);
}

TEST(ComplexHelpers, NegationModulusArgumentSignMultiple) {
  TComplex n = CNeg({3e-6, -2});
  EXPECT_EQ(n.Re, -3e-6);  // not snapped
  EXPECT_EQ(n.Im, 2.0);
  EXPECT_EQ(CAbs({3, -4}), 5.0);
  EXPECT_EQ(CFromReal(-7), (TComplex{-7, 0}));

  EXPECT_NEAR(CArg({1, 1}), M_PI / 4, 1e-15);
  EXPECT_NEAR(CArg({-1, 1}), 3 * M_PI / 4, 1e-15);
  EXPECT_NEAR(CArg({-1, -1}), -3 * M_PI / 4, 1e-15);
  EXPECT_NEAR(CArg({1, -1}), -M_PI / 4, 1e-15);
  EXPECT_NEAR(CArg({0, 5}), M_PI / 2, 1e-15);
  EXPECT_NEAR(CArg({0, -5}), -M_PI / 2, 1e-15);
  EXPECT_EQ(CArg({0, 0}), 0.0);
  // A negative real number lies at pi, not at 0.
  EXPECT_NEAR(CArg({-2, 0}), M_PI, 1e-15);

  EXPECT_EQ(Sign(-0.5), -1);
  EXPECT_EQ(Sign(0.0), 0);
  EXPECT_EQ(Sign(-0.0), 0);
  EXPECT_EQ(Sign(3), 1);

  EXPECT_FALSE(IsMultiple(0, 0));
  EXPECT_FALSE(IsMultiple(0, 5));
  EXPECT_TRUE(IsMultiple(2, 6));
  EXPECT_TRUE(IsMultiple(2, -6));
  EXPECT_FALSE(IsMultiple(2, 5));
  EXPECT_TRUE(IsMultiple(0.5, 1.5));
  EXPECT_TRUE(IsMultiple(7, 0));
}
