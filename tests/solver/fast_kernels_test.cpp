// The production matrix kernels against the literal ones, bit for bit: the
// production path skips zero terms and keeps operands in polar form, which is
// only allowed because it changes no bit of any result.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <random>
#include <string>

#include "params/errors.h"
#include "reference_solver.h"
#include "arith/matr.h"

using namespace tps;

namespace {

// Random elements of the kinds the circuits produce: many exact zeros (some
// with negative zero parts), parts below the snapping threshold, pure real
// and pure imaginary values, and values over several orders of magnitude.
class ElementSource {
 public:
  explicit ElementSource(unsigned seed, double zeroShare) : g_(seed), zeroShare_(zeroShare) {}

  TComplex Next() {
    double u = U(0, 1);
    if (u < zeroShare_) {
      switch (Int(0, 3)) {
        case 0: return {-0.0, 0.0};
        case 1: return {0.0, -0.0};
        default: return {0.0, 0.0};
      }
    }
    switch (Int(0, 9)) {
      case 0: return {U(-9e-6, 9e-6), U(-9e-6, 9e-6)};  // raw, below the threshold
      case 1: return {Mag(), 0.0};
      case 2: return {0.0, Mag()};
      case 3: return {Int(0, 1) ? 1.0 : -1.0, 0.0};
      case 4: return {Mag(), U(-9e-6, 9e-6)};
      default: return {Mag(), Mag()};
    }
  }
  double U(double a, double b) { return std::uniform_real_distribution<double>(a, b)(g_); }
  int Int(int a, int b) { return std::uniform_int_distribution<int>(a, b)(g_); }

 private:
  double Mag() { return (Int(0, 1) ? 1 : -1) * std::pow(10.0, U(-4, 4)); }
  std::mt19937 g_;
  double zeroShare_;
};

CMat RandomMatrix(ElementSource& src, int rows, int cols) {
  CMat m(rows, cols);
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j) m(i, j) = src.Next();
  return m;
}

// Each row gets a dominant non-zero diagonal element so the matrix is regular;
// `shuffle` then permutes the rows so that the elimination needs exchanges.
CMat RegularSparse(ElementSource& src, int n, bool shuffle) {
  CMat m = RandomMatrix(src, n, n);
  for (int i = 1; i <= n; ++i) m(i, i) = {src.U(50, 100) * n, src.U(-50, 50) * n};
  if (shuffle) {
    for (int i = n; i >= 2; --i) {
      int j = src.Int(1, i);
      for (int k = 1; k <= n; ++k) std::swap(m(i, k), m(j, k));
    }
  }
  return m;
}

std::string Mismatch(const CMat& a, const CMat& b, int rows, int cols) {
  if (a.Rows() != b.Rows() || a.Cols() != b.Cols()) return "shape differs";
  for (int i = 1; i <= rows; ++i)
    for (int j = 1; j <= cols; ++j)
      if (std::memcmp(&a(i, j), &b(i, j), sizeof(TComplex)) != 0)
        return "element (" + std::to_string(i) + ", " + std::to_string(j) + ")";
  return "";
}

// Inverts copies of A with both kernels and requires the same bits in the
// inverse and in what is left of the input (or the same failure).
void ExpectSameInverse(const CMat& A, int n, const std::string& what) {
  CMat fastIn = A.Clone(), refIn = A.Clone();
  std::optional<CMat> fast, ref;
  bool fastThrew = false, refThrew = false;
  try { fast = MatInverse(fastIn, n); } catch (const SingularError&) { fastThrew = true; }
  try { ref = reference::MatInverse(refIn, n); } catch (const SingularError&) { refThrew = true; }
  ASSERT_EQ(fastThrew, refThrew) << what;
  if (refThrew) return;
  EXPECT_EQ(Mismatch(*fast, *ref, n, n), "") << what << ": inverse";
  EXPECT_EQ(Mismatch(fastIn, refIn, n, n), "") << what << ": the caller's matrix";
}

void ExpectSameProduct(const CMat& A, int rows, int inner, const CMat& B, int cols, const std::string& what) {
  CMat fast = MatMul(A, rows, inner, B, inner, cols);
  CMat ref = reference::MatMul(A, rows, inner, B, inner, cols);
  EXPECT_EQ(Mismatch(fast, ref, rows, cols), "") << what;
}

}  // namespace

TEST(FastKernelsBitIdentical, ProductsOfDenseAndSparseMatrices) {
  for (double zeros : {0.0, 0.5, 0.9}) {
    ElementSource src(11 + static_cast<unsigned>(zeros * 10), zeros);
    for (int t = 0; t < 30; ++t) {
      int rows = src.Int(1, 25), inner = src.Int(1, 25), cols = src.Int(1, 25);
      CMat A = RandomMatrix(src, rows, inner), B = RandomMatrix(src, inner, cols);
      ExpectSameProduct(A, rows, inner, B, cols, "zeros " + std::to_string(zeros) + " case " + std::to_string(t));
    }
  }
}

TEST(FastKernelsBitIdentical, ProductsWhosePartialSumsCancel) {
  // Terms of equal size and opposite sign: the snapped partial sums decide.
  ElementSource src(5, 0.3);
  CMat A(1, 40), B(40, 1);
  for (int k = 1; k <= 40; ++k) {
    A(1, k) = {1, 0};
    B(k, 1) = {(k % 2 ? 1 : -1) * (1 + src.U(-3e-5, 3e-5)), src.U(-3e-5, 3e-5)};
  }
  ExpectSameProduct(A, 1, 40, B, 1, "cancelling sums");
}

TEST(FastKernelsBitIdentical, InversesOfDenseMatrices) {
  ElementSource src(21, 0.0);
  for (int n = 1; n <= 24; ++n) ExpectSameInverse(RegularSparse(src, n, false), n, "dense n=" + std::to_string(n));
  // Without a dominant diagonal, and with tiny raw elements.
  ElementSource wild(22, 0.05);
  for (int t = 0; t < 20; ++t) {
    int n = wild.Int(2, 20);
    ExpectSameInverse(RandomMatrix(wild, n, n), n, "wild case " + std::to_string(t));
  }
}

TEST(FastKernelsBitIdentical, InversesOfSparseMatricesWithAndWithoutExchanges) {
  for (double zeros : {0.6, 0.85, 0.97}) {
    ElementSource src(31 + static_cast<unsigned>(zeros * 100), zeros);
    for (int t = 0; t < 25; ++t) {
      int n = src.Int(2, 40);
      bool shuffle = t % 2 == 1;
      ExpectSameInverse(RegularSparse(src, n, shuffle), n,
                        "zeros " + std::to_string(zeros) + " case " + std::to_string(t) + (shuffle ? " shuffled" : ""));
      // Without the dominant diagonal: zero pivots, exchanges, and singular cases.
      ExpectSameInverse(RandomMatrix(src, n, n), n, "raw zeros " + std::to_string(zeros) + " case " + std::to_string(t));
    }
  }
}

TEST(FastKernelsBitIdentical, InverseOfAWiderCallersMatrix) {
  // The leading block of a wider matrix is inverted; the exchanges move the
  // caller's whole rows.
  ElementSource src(41, 0.8);
  CMat wide = RandomMatrix(src, 12, 15);
  for (int i = 1; i <= 12; ++i) wide(i, 13 - i) = {3, 1};  // an anti-diagonal
  CMat fastIn = wide.Clone(), refIn = wide.Clone();
  CMat fast = MatInverse(fastIn, 12);
  CMat ref = reference::MatInverse(refIn, 12);
  EXPECT_EQ(Mismatch(fast, ref, 12, 12), "");
  EXPECT_EQ(Mismatch(fastIn, refIn, 12, 15), "");
}

TEST(FastKernelsBitIdentical, SingularMatricesFailAlike) {
  ElementSource src(51, 0.9);
  for (int t = 0; t < 20; ++t) {
    int n = src.Int(2, 15);
    CMat A = RandomMatrix(src, n, n);
    int zeroCol = src.Int(1, n);
    for (int i = 1; i <= n; ++i) A(i, zeroCol) = {};
    CMat fastIn = A.Clone();
    EXPECT_THROW(MatInverse(fastIn, n), SingularError);
    ExpectSameInverse(A, n, "singular " + std::to_string(t));
  }
}

TEST(FastKernelsBitIdentical, RowsOfFewRepeatedValues) {
  // Values that differ only in a part below the threshold, or only in the
  // sign of a zero part, must not be taken for one another.
  const TComplex values[] = {{1, 0}, {-1, 0}, {1, 3e-6}, {1, -3e-6}, {1, -0.0}, {1, 2e-5}, {0.5, 0}, {-1, 1e-6}};
  std::mt19937 g(61);
  std::uniform_int_distribution<int> pick(0, 9);
  for (int t = 0; t < 12; ++t) {
    const int n = 6 + 3 * t;
    CMat A(n, n), B(n, 3);
    for (int i = 1; i <= n; ++i) {
      for (int k = 1; k <= n; ++k) {
        int v = pick(g);
        if (v < 8) A(i, k) = values[v];
      }
      A(i, i) = {3.0 * n, 1};
      for (int j = 1; j <= 3; ++j) {
        int v = pick(g);
        B(i, j) = v < 8 ? values[v] : TComplex{0.25 * i, -0.5 * j};
      }
    }
    ExpectSameProduct(A, n, n, B, 3, "repeated values, product " + std::to_string(t));
    ExpectSameProduct(B, n, 3, MatTranspose(A, n, n).Clone(), n, "repeated values, product by A^T " + std::to_string(t));
    ExpectSameInverse(A, n, "repeated values, inverse " + std::to_string(t));
  }
}
