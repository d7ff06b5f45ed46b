#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>

#include "params/errors.h"
#include "params/fileio.h"
#include "arith/matr.h"
#include "test_support.h"

using namespace tps;

namespace {

CMat FromRows(std::initializer_list<std::initializer_list<TComplex>> rows) {
  int r = static_cast<int>(rows.size());
  int c = static_cast<int>(rows.begin()->size());
  CMat m(r, c);
  int i = 1;
  for (const auto& row : rows) {
    int j = 1;
    for (const auto& v : row) m(i, j++) = v;
    ++i;
  }
  return m;
}

// A random complex matrix whose diagonal dominates its rows, scaled so that
// the matrix and its inverse both have entries far above the 1e-5 snapping.
CMat RandomDominant(int n, unsigned seed) {
  std::mt19937 g(seed);
  std::uniform_real_distribution<double> d(-1, 1);
  CMat m(n, n);
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) m(i, j) = {d(g) / n, d(g) / n};
    m(i, i) = {2.0 + d(g), d(g)};
  }
  return m;
}

// The largest modulus of A * X - I.
double DistanceFromIdentity(const CMat& A, const CMat& X, int n) {
  double worst = 0;
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) {
      std::complex<long double> s = 0;
      for (int k = 1; k <= n; ++k)
        s += std::complex<long double>(A(i, k).Re, A(i, k).Im) * std::complex<long double>(X(k, j).Re, X(k, j).Im);
      if (i == j) s -= 1;
      worst = std::max(worst, static_cast<double>(std::abs(s)));
    }
  return worst;
}

bool IsIdentity(const CMat& A, int n, double tol) {
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) {
      double wantRe = i == j ? 1.0 : 0.0;
      if (std::fabs(A(i, j).Re - wantRe) > tol || std::fabs(A(i, j).Im) > tol) return false;
    }
  return true;
}

}  // namespace

TEST(MatrixProduct, SmallProductAndEverySumSnapped) {
  CMat A = FromRows({{{1, 0}, {2, 0}}, {{3, 0}, {4, 0}}});
  CMat B = FromRows({{{5, 0}}, {{0, 6}}});
  CMat C = MatMul(A, 2, 2, B, 2, 1);
  ASSERT_EQ(C.Rows(), 2);
  ASSERT_EQ(C.Cols(), 1);
  EXPECT_NEAR(C(1, 1).Re, 5, 1e-13);
  EXPECT_NEAR(C(1, 1).Im, 12, 1e-13);
  EXPECT_NEAR(C(2, 1).Re, 15, 1e-13);
  EXPECT_NEAR(C(2, 1).Im, 24, 1e-13);

  // 2e-5 - 1.5e-5 leaves 5e-6, which the partial sum drops before 1 is added.
  CMat row = FromRows({{{1, 0}, {1, 0}, {1, 0}}});
  CMat col = FromRows({{{2e-5, 0}}, {{-1.5e-5, 0}}, {{1, 0}}});
  EXPECT_EQ(MatMul(row, 1, 3, col, 3, 1)(1, 1), (TComplex{1, 0}));
  // Products below the threshold vanish on their own.
  CMat small = FromRows({{{4e-6, 0}}, {{4e-6, 0}}, {{4e-6, 0}}});
  EXPECT_EQ(MatMul(row, 1, 3, small, 3, 1)(1, 1), (TComplex{0, 0}));
}

TEST(MatrixProduct, RefusesMatricesSmallerThanTheDimensions) {
  CMat A(2, 2), B(3, 1);
  EXPECT_THROW(MatMul(A, 2, 3, B, 3, 1), ProgramError);
  EXPECT_THROW(MatMul(CMat(), 1, 1, B, 1, 1), ProgramError);
}

TEST(MatrixShapes, TransposeStackAndDifference) {
  CMat A = FromRows({{{1, 1}, {2, 0}, {3, 0}}, {{4, 0}, {5, 0}, {6, -1}}});
  CMat T = MatTranspose(A, 2, 3);
  ASSERT_EQ(T.Rows(), 3);
  ASSERT_EQ(T.Cols(), 2);
  EXPECT_EQ(T(1, 1), (TComplex{1, 1}));
  EXPECT_EQ(T(3, 2), (TComplex{6, -1}));
  EXPECT_EQ(T(1, 2), (TComplex{4, 0}));

  // The lower matrix may be narrower: the rest of its rows stays zero.
  CMat B = FromRows({{{7, 0}}});
  CMat S = MatStack(A, 2, 3, B, 1, 1);
  ASSERT_EQ(S.Rows(), 3);
  ASSERT_EQ(S.Cols(), 3);
  EXPECT_EQ(S(2, 3), (TComplex{6, -1}));
  EXPECT_EQ(S(3, 1), (TComplex{7, 0}));
  EXPECT_EQ(S(3, 2), (TComplex{0, 0}));
  EXPECT_FALSE(S.SameStorage(A));
  EXPECT_THROW(MatStack(B, 1, 1, A, 2, 3), ProgramError);

  CMat D = MatSub(A, 2, 3, FromRows({{{1, 1 - 3e-6}, {0, 0}, {3, 0}}, {{0, 0}, {0, 0}, {0, 0}}}));
  EXPECT_EQ(D(1, 1), (TComplex{0, 0}));  // both parts snapped
  EXPECT_EQ(D(1, 2), (TComplex{2, 0}));
  EXPECT_EQ(D(1, 3), (TComplex{0, 0}));
  EXPECT_EQ(D(2, 3), (TComplex{6, -1}));
}

TEST(MatrixInverse, ExchangedRowsArePermutedInTheCallersMatrix) {
  CMat A = FromRows({{{0, 0}, {1, 0}}, {{1, 0}, {0, 0}}});
  CMat caller = A;  // the same storage
  CMat X = MatInverse(A, 2);
  EXPECT_EQ(X(1, 1), (TComplex{0, 0}));
  EXPECT_EQ(X(1, 2), (TComplex{1, 0}));
  EXPECT_EQ(X(2, 1), (TComplex{1, 0}));
  EXPECT_EQ(X(2, 2), (TComplex{0, 0}));
  // The caller's rows were exchanged, and the repeated elimination ran on them.
  EXPECT_EQ(caller(1, 1), (TComplex{1, 0}));
  EXPECT_EQ(caller(1, 2), (TComplex{0, 0}));
  EXPECT_EQ(caller(2, 1), (TComplex{0, 0}));
  EXPECT_EQ(caller(2, 2), (TComplex{1, 0}));
}

TEST(MatrixInverse, WithoutExchangesTheCallersMatrixIsKept) {
  CMat A = RandomDominant(6, 3);
  CMat before = A.Clone();
  CMat X = MatInverse(A, 6);
  for (int i = 1; i <= 6; ++i)
    for (int j = 1; j <= 6; ++j) EXPECT_EQ(A(i, j), before(i, j));
  EXPECT_LT(DistanceFromIdentity(before, X, 6), 1e-4);
}

TEST(MatrixInverse, RandomWellConditionedComplexMatrices) {
  for (int n : {1, 2, 5, 12, 30}) {
    CMat A = RandomDominant(n, 100 + n);
    CMat keep = A.Clone();
    CMat X = MatInverse(A, n);
    ASSERT_EQ(X.Rows(), n);
    // Each element of the inverse may lose up to 1e-5 to the snapping.
    EXPECT_LT(DistanceFromIdentity(keep, X, n), 1e-5 * (n + 5)) << "n = " << n;
  }
}

TEST(MatrixInverse, BlockMatrixNeedingSeveralExchanges) {
  // [[0, B], [C, 0]] with dominant blocks: every pivot of the upper half is zero.
  const int k = 5, n = 2 * k;
  CMat Bk = RandomDominant(k, 7), Ck = RandomDominant(k, 8);
  CMat A(n, n);
  for (int i = 1; i <= k; ++i)
    for (int j = 1; j <= k; ++j) {
      A(i, k + j) = Bk(i, j);
      A(k + i, j) = Ck(i, j);
    }
  CMat keep = A.Clone();
  CMat X = MatInverse(A, n);
  EXPECT_LT(DistanceFromIdentity(keep, X, n), 1e-4);
  // The caller's matrix took the exchanges and was reduced to the identity.
  EXPECT_TRUE(IsIdentity(A, n, 1e-4));
}

TEST(MatrixInverse, SingularMatricesRaise) {
  EXPECT_THROW(MatInverse(FromRows({{{1, 0}, {2, 0}}, {{2, 0}, {4, 0}}}), 2), SingularError);
  EXPECT_THROW(MatInverse(FromRows({{{0, 0}, {1, 0}}, {{0, 0}, {3, 0}}}), 2), SingularError);
  EXPECT_THROW(MatInverse(FromRows({{{0, 0}}}), 1), SingularError);
  // A row that snaps to nothing during the elimination.
  EXPECT_THROW(MatInverse(FromRows({{{1, 0}, {1, 0}}, {{1, 0}, {1 + 4e-6, 0}}}), 2), SingularError);
}

TEST(MatrixInverse, AtMostThreeHundredRowExchanges) {
  // A cyclic shift needs one exchange for every pivot but the last.
  auto cyclic = [](int n) {
    CMat P(n, n);
    for (int i = 1; i < n; ++i) P(i, i + 1) = {1, 0};
    P(n, 1) = {1, 0};
    return P;
  };
  CMat ok = cyclic(301);
  CMat X = MatInverse(ok, 301);  // 300 exchanges
  for (int i = 1; i <= 301; ++i)
    for (int j = 1; j <= 301; ++j) {
      bool one = (j == i + 1) || (i == 301 && j == 1);
      ASSERT_EQ(X(j, i), (TComplex{one ? 1.0 : 0.0, 0})) << i << "," << j;
    }
  EXPECT_THROW(MatInverse(cyclic(302), 302), SingularError);
}

TEST(MatrixColumns, ExtremesByModulus) {
  CMat V = FromRows({{{3, 4}}, {{-1, 0}}, {{0, 2}}, {{-6, 8}}, {{0, 0.5}}, {{2, 0}}});
  EXPECT_EQ(MinByModulus(V, 6, false), (TComplex{0, 0.5}));
  EXPECT_EQ(MinByModulus(V, 6, true), (TComplex{-1, 0}));  // rows 1..3 only
  EXPECT_EQ(MaxByModulusUpperHalf(V, 6), (TComplex{-6, 8}));
  EXPECT_EQ(MaxByModulusUpperHalf(V, 5), (TComplex{-6, 8}));  // rows 3..5
  // Ties keep the first element met.
  CMat T = FromRows({{{5, 0}}, {{0, 5}}, {{-5, 0}}});
  EXPECT_EQ(MinByModulus(T, 3, false), (TComplex{5, 0}));
  EXPECT_EQ(MaxByModulusUpperHalf(T, 3), (TComplex{0, 5}));
  // Nothing below the start values: the start values come back.
  CMat Big = FromRows({{{2e6, 0}}, {{0, -3e6}}});
  EXPECT_EQ(MinByModulus(Big, 2, false), (TComplex{1000000, 0}));
  CMat Zero(2, 1);
  EXPECT_EQ(MaxByModulusUpperHalf(Zero, 2), (TComplex{0, 0}));
}

TEST(MatrixColumns, ConjugationWorksInPlace) {
  CMat V = FromRows({{{1, 2}}, {{3, -4}}, {{5, 6}}});
  CMat W = ConjugateColumn(V, 2);
  EXPECT_TRUE(W.SameStorage(V));
  EXPECT_EQ(V(1, 1), (TComplex{1, -2}));
  EXPECT_EQ(V(2, 1), (TComplex{3, 4}));
  EXPECT_EQ(V(3, 1), (TComplex{5, 6}));  // beyond the count
}

