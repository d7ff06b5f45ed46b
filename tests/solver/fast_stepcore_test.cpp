// The sparse step core and its column-wise inverse against the literal
// element-by-element forms, bit for bit: only the columns of the inverse that
// meet a non-zero right-hand element are formed, the sine and cosine of an
// angle come from a table, and the inverse of the tree block is kept from one
// step to the next.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "circuit/schemes.h"
#include "params/conv.h"
#include "params/errors.h"
#include "reference_solver.h"
#include "solver/solve.h"
#include "solver/stepcore.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::Zone;

namespace {

bool SameBits(const TComplex& a, const TComplex& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string Mismatch(const CMat& a, const CMat& b, int rows) {
  if (a.Rows() != b.Rows() || a.Cols() != b.Cols()) return "shape differs";
  for (int i = 1; i <= rows; ++i)
    if (!SameBits(a(i, 1), b(i, 1))) return "row " + std::to_string(i);
  return "";
}

// Elements as the circuits make them: many exact zeros (some negative zeros),
// raw parts below the threshold, +1 and -1, values over eight decades.
TComplex Element(std::mt19937& g, double zeroShare) {
  std::uniform_real_distribution<double> u(0, 1);
  auto mag = [&] { return (u(g) < 0.5 ? -1 : 1) * std::pow(10.0, -4 + 8 * u(g)); };
  if (u(g) < zeroShare) return u(g) < 0.3 ? TComplex{-0.0, 0.0} : TComplex{};
  switch (static_cast<int>(u(g) * 6)) {
    case 0:
      return {9e-6 * (2 * u(g) - 1), 9e-6 * (2 * u(g) - 1)};
    case 1:
      return {mag(), 0.0};
    case 2:
      return {u(g) < 0.5 ? 1.0 : -1.0, 0.0};
    case 3:
      return {0.0, mag()};
    default:
      return {mag(), mag()};
  }
}

// A random n x n matrix; with `dominant` a strong diagonal, then with
// `shuffle` its rows permuted so that the elimination exchanges rows.
CMat RandomSquare(std::mt19937& g, int n, double zeros, bool dominant, bool shuffle) {
  CMat a(n, n);
  for (int i = 1; i <= n; ++i)
    for (int k = 1; k <= n; ++k) a(i, k) = Element(g, zeros);
  if (dominant)
    for (int i = 1; i <= n; ++i) a(i, i) = {60.0 * n + i, -20.0 * n};
  if (shuffle)
    for (int i = n; i >= 2; --i) {
      int j = std::uniform_int_distribution<int>(1, i)(g);
      for (int k = 1; k <= n; ++k) std::swap(a(i, k), a(j, k));
    }
  return a;
}

std::vector<TComplex> RowsOf(const CMat& a, int n) {
  std::vector<TComplex> v(static_cast<size_t>(n) * n);
  for (int i = 1; i <= n; ++i)
    for (int k = 1; k <= n; ++k) v[static_cast<size_t>(i - 1) * n + k - 1] = a(i, k);
  return v;
}

// The inverse times b, formed on the columns b needs, against the literal
// inverse and product (or the same failure on a singular matrix).
void ExpectSameSolution(const CMat& a, int n, const CMat& b, const std::string& what) {
  std::vector<bool> wanted(static_cast<size_t>(n));
  std::vector<TComplex> bv(static_cast<size_t>(n));
  for (int k = 1; k <= n; ++k) {
    bv[k - 1] = b(k, 1);
    wanted[k - 1] = !(b(k, 1).Re == 0 && b(k, 1).Im == 0);
  }
  CMat ref;
  bool refThrew = false, fastThrew = false;
  try {
    ref = reference::MatMul(reference::MatInverse(a.Clone(), n), n, n, b, n, 1);
  } catch (const SingularError&) {
    refThrew = true;
  }
  CMat fast(n, 1);
  try {
    InverseColumns x(RowsOf(a, n), n, wanted);
    x.MulColumn(bv, fast);
  } catch (const SingularError&) {
    fastThrew = true;
  }
  ASSERT_EQ(fastThrew, refThrew) << what;
  if (!refThrew) {
    EXPECT_EQ(Mismatch(fast, ref, n), "") << what;
  }
}

// Every element of the inverse, or the same failure, against the literal one.
void ExpectSameInverse(const CMat& a, int n, const std::string& what) {
  CMat ref;
  bool refThrew = false, fastThrew = false;
  try {
    ref = reference::MatInverse(a.Clone(), n);
  } catch (const SingularError&) {
    refThrew = true;
  }
  try {
    InverseColumns x(RowsOf(a, n), n, std::vector<bool>(static_cast<size_t>(n), true));
    for (int i = 1; i <= n && !refThrew; ++i)
      for (int k = 1; k <= n; ++k)
        ASSERT_TRUE(SameBits(x.At(i, k), ref(i, k))) << what << " (" << i << ", " << k << ")";
  } catch (const SingularError&) {
    fastThrew = true;
  }
  EXPECT_EQ(fastThrew, refThrew) << what;
}

}  // namespace

TEST(FastStepCore, InversesOfIncidenceLikeIntegerMatrices) {
  // Real integers are eliminated in plain arithmetic while the pivots are +1
  // or -1; a pivot of 2, a growing element, a negative zero or a singular
  // matrix must give what the polar elimination gives.
  std::mt19937 g(17);
  std::uniform_int_distribution<int> pick(0, 19);
  for (int t = 0; t < 60; ++t) {
    const int n = 2 + t % 25;
    CMat a(n, n);
    for (int i = 1; i <= n; ++i) {
      for (int k = i; k <= n; ++k) {
        const int v = pick(g);
        a(i, k) = v < 3 ? TComplex{1, 0} : v < 6 ? TComplex{-1, 0} : v == 6 ? TComplex{-0.0, 0} : TComplex{};
      }
      a(i, i) = {pick(g) < 10 ? 1.0 : -1.0, 0};
    }
    if (t % 4 == 1) a(1 + t % n, 1 + t % n) = {2, 0};
    if (t % 6 == 2) a(n, 1) = {1e7, 0};
    if (t % 5 == 3)
      for (int k = 1; k <= n; ++k) a(1 + t % n, k) = {};
    if (t % 2 == 1)
      for (int i = n; i >= 2; --i) {
        int j = std::uniform_int_distribution<int>(1, i)(g);
        for (int k = 1; k <= n; ++k) std::swap(a(i, k), a(j, k));
      }
    ExpectSameInverse(a, n, "integer case " + std::to_string(t) + " n=" + std::to_string(n));
  }
}

TEST(FastStepCore, InverseColumnsTimesASparseRightHandSide) {
  std::mt19937 g(7);
  int singular = 0;
  for (int t = 0; t < 90; ++t) {
    const int n = 2 + t % 30;
    const double zeros = t % 3 == 0 ? 0.0 : (t % 3 == 1 ? 0.7 : 0.93);
    // Regular with and without exchanges, and without a dominant diagonal
    // (zero pivots, exchanges, singular matrices).
    const bool dominant = t % 5 != 4, shuffle = t % 2 == 1;
    CMat a = RandomSquare(g, n, zeros, dominant, shuffle);
    if (t % 11 == 10) {
      for (int i = 1; i <= n; ++i) a(i, 1 + t % n) = {};  // a column without any element
      ++singular;
    }
    // Zeros of b at its start, its end, in runs and alone; and a b of zeros.
    CMat b(n, 1);
    for (int k = 1; k <= n; ++k) {
      const int shape = t % 4;
      const bool zero = shape == 0   ? k <= n / 2
                        : shape == 1 ? k > n / 3
                        : shape == 2 ? k % 3 != 0
                                     : t % 8 == 3;
      if (!zero) b(k, 1) = Element(g, 0.0);
    }
    ExpectSameSolution(a, n, b, "case " + std::to_string(t) + " n=" + std::to_string(n));
  }
  EXPECT_GT(singular, 0);
}

TEST(FastStepCore, ProductsAgreeWithTheLiteralProductOverManyAngles) {
  // More angles than the table holds, twice over: found, evicted, formed again.
  std::mt19937 g(3);
  std::vector<std::pair<TComplex, TComplex>> pairs;
  for (int i = 0; i < 12000; ++i) pairs.emplace_back(Element(g, 0.05), Element(g, 0.05));
  for (int pass = 0; pass < 2; ++pass)
    for (const auto& [a, b] : pairs) {
      ASSERT_TRUE(SameBits(CMul(a, b), reference::CMul(a, b)))
          << a.Re << " " << a.Im << " " << b.Re << " " << b.Im;
      if (b.Re != 0 || b.Im != 0) {
        ASSERT_TRUE(SameBits(CDiv(a, b), reference::CDiv(a, b)));
      }
    }
}

TEST(FastStepCore, ModulusOnAnAxisIsTheMagnitudeOfThePart) {
  // sqrt(x^2) in extended precision is |x| for every double; the polar form
  // takes |x| without the square root. Mantissas near the top and the bottom
  // of their binade, over the whole exponent range.
  std::mt19937_64 g(29);
  for (int i = 0; i < 200000; ++i) {
    uint64_t bits = g() & ~(uint64_t{1} << 63);
    if (i % 3 == 0) bits |= 0x000FFFFFFFFFF000ull;  // mantissa near 2
    if (i % 3 == 1) bits &= 0xFFF0000000000FFFull;  // mantissa near 1
    double x;
    std::memcpy(&x, &bits, sizeof x);
    if (!std::isfinite(x)) continue;
    const long double lx = x;
    volatile long double square = lx * lx;  // formed in memory, as the literal modulus does
    ASSERT_EQ(std::sqrt(square + 0.0L * 0.0L), static_cast<long double>(std::fabs(x))) << x;
    ASSERT_TRUE(SameBits(CMul({x, 0}, {0.75, 0}), reference::CMul({x, 0}, {0.75, 0}))) << x;
    ASSERT_TRUE(SameBits(CMul({0, -x}, {0.5, 0.25}), reference::CMul({0, -x}, {0.5, 0.25}))) << x;
  }
}

namespace {

void LoadZone(AppState& st, int variant, int perTrack, double zoneKm) {
  const bool dc = IsDcVariant(variant);
  const int tracks = IsSingleTrackVariant(variant) ? 1 : 2;
  for (int track = 1; track <= tracks; ++track)
    for (int k = 0; k < perTrack; ++k) {
      st.Params.TrainKm.Set(FloatToStr(RoundTo(zoneKm * (k + (track == 1 ? 0.29 : 0.71)) / perTrack, 3)));
      st.Params.TrainActive.Set(FloatToStr((dc ? 850 : 210) + 13 * k + 7 * track));
      st.Params.TrainReactive.Set(dc ? kNotGiven : FloatToStr(-70 - 5 * k));
      ASSERT_TRUE(AddTrain(st, track));
    }
}

void ExpectSameStep(const StepCircuit& built, const std::string& what) {
  const int n = built.NodeCount, m = built.BranchCount;
  for (bool potentials : {true, false}) {
    StepCircuit fastIn = reference::CopyCircuit(built), refIn = reference::CopyCircuit(built);
    StepResult fast = SolveStepCore(fastIn, potentials);
    StepResult ref = reference::SolveCircuit(refIn, potentials);
    EXPECT_EQ(fastIn.LoopCount, m - n);
    EXPECT_EQ(Mismatch(fast.I, ref.I, m), "") << what << ": currents";
    EXPECT_EQ(Mismatch(fast.S, ref.S, 1), "") << what << ": loss";
    if (potentials)
      EXPECT_EQ(Mismatch(fast.Phi, ref.Phi, n), "") << what << ": potentials";
    else
      EXPECT_TRUE(fast.Phi.Empty()) << what;
    EXPECT_TRUE(fastIn.MatM.Empty() && fastIn.MatN.Empty() && fastIn.MatZ.Empty() && fastIn.MatE.Empty() &&
                fastIn.MatJ.Empty())
        << what;
  }
}

}  // namespace

TEST(FastStepCore, AllTwelveSchemesWithManyTrains) {
  for (int variant = 1; variant <= 12; ++variant) {
    Zone z(variant, "30");
    z.S().Params.PskKm.Set("15");
    z.S().Params.Pps1Km.Set("7.5");
    z.S().Params.Pps2Km.Set("22.5");
    LoadZone(z.S(), variant, 16, 30);
    ASSERT_TRUE(BuildStepCircuit(z.S()));
    ForgetTreeInverse();
    ExpectSameStep(z.S().Circuit, "variant " + std::to_string(variant));
    // Solved again with the tree block's inverse kept from the first solution.
    ExpectSameStep(z.S().Circuit, "variant " + std::to_string(variant) + ", kept tree inverse");
  }
}

TEST(FastStepCore, ARunWhoseTrainsMoveEnterAndLeave) {
  // The pattern of the circuit changes between steps: trains move past one
  // another and the posts, a train leaves, a train enters.
  Zone z(10, "24");
  LoadZone(z.S(), 10, 5, 24);
  ForgetTreeInverse();
  for (int step = 0; step < 10; ++step) {
    ASSERT_TRUE(BuildStepCircuit(z.S()));
    ExpectSameStep(z.S().Circuit, "step " + std::to_string(step));
    for (elvoz& t : z.S().Trains.Trains1) t.Km = t.Km + 1.7 < 24 ? t.Km + 1.7 : t.Km + 1.7 - 24;
    for (elvoz& t : z.S().Trains.Trains2) t.Km = t.Km - 1.3 > 0 ? t.Km - 1.3 : t.Km - 1.3 + 24;
    if (step == 3) z.S().Trains.Trains1.pop_back();
    if (step == 6) {
      z.S().Params.TrainKm.Set("11.1");
      ASSERT_TRUE(AddTrain(z.S(), 1));
    }
  }
}

TEST(FastStepCore, SingularCircuitAndShortMatrices) {
  Zone z(3, "20");
  LoadZone(z.S(), 3, 3, 20);
  ASSERT_TRUE(BuildStepCircuit(z.S()));
  // A zone cut off from its substations: every impedance and EMF gone leaves
  // the loop rows empty.
  StepCircuit cut = reference::CopyCircuit(z.S().Circuit);
  const int m = cut.BranchCount;
  for (int i = 1; i <= m; ++i)
    for (int k = 1; k <= m; ++k) cut.MatZ(i, k) = {};
  StepCircuit ref = reference::CopyCircuit(cut);
  EXPECT_THROW(reference::SolveCircuit(ref, true), SingularError);
  EXPECT_THROW(SolveStepCore(cut, true), SingularError);
  // Matrices smaller than the counts are a program error, not a crash.
  StepCircuit small = reference::CopyCircuit(z.S().Circuit);
  small.MatZ = CMat(2, 2);
  EXPECT_THROW(SolveStepCore(small, true), ProgramError);
}

TEST(FastStepCore, DcZonesLeavingTheRealAxisOrNotQuiteReal) {
  Zone z(3, "20");
  LoadZone(z.S(), 3, 4, 20);
  ASSERT_TRUE(BuildStepCircuit(z.S()));
  const StepCircuit& built = z.S().Circuit;
  const int m = built.BranchCount, n = built.NodeCount;
  // EMFs so large that a product with them keeps an imaginary part the
  // snapping does not remove: the real arithmetic must hand the step over.
  StepCircuit huge = reference::CopyCircuit(built);
  for (int k = 1; k <= m; ++k) huge.MatE(k, 1) = {huge.MatE(k, 1).Re * 1e15, huge.MatE(k, 1).Im};
  ForgetTreeInverse();
  ExpectSameStep(huge, "EMFs of 1e15 times the substation voltage");
  // Negative zeros as imaginary parts are still real numbers.
  StepCircuit signedZeros = reference::CopyCircuit(built);
  for (int i = 1; i <= n; ++i)
    for (int k = 1; k <= m; ++k) signedZeros.MatM(i, k).Im = -0.0;
  ExpectSameStep(signedZeros, "negative zero imaginary parts");
  // One impedance with an imaginary part: the complex arithmetic throughout.
  StepCircuit oneComplex = reference::CopyCircuit(built);
  oneComplex.MatZ(m, m).Im = 0.25;
  ExpectSameStep(oneComplex, "one complex impedance");
}
