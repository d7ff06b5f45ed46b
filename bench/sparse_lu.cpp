#include "sparse_lu.h"

#include <Eigen/OrderingMethods>
#include <Eigen/SparseCore>
#include <Eigen/SparseLU>
#include <stdexcept>

namespace tps::bench {

using Cx = std::complex<double>;

std::vector<Cx> SparseLuCurrents(const StepCircuit& c) {
  const int n = c.NodeCount, m = c.BranchCount, d = m - n;
  auto at = [](const CMat& X, int i, int j) { return Cx(X(i, j).Re, X(i, j).Im); };
  std::vector<Eigen::Triplet<Cx>> t;
  Eigen::VectorXcd b = Eigen::VectorXcd::Zero(m);
  for (int i = 1; i <= n; ++i) {
    for (int k = 1; k <= m; ++k)
      if (at(c.MatM, i, k) != Cx(0)) t.emplace_back(i - 1, k - 1, at(c.MatM, i, k));
    b(i - 1) = at(c.MatJ, i, 1);
  }
  // The loop rows N Z and N E, over the non-zero elements of N.
  for (int r = 1; r <= d; ++r) {
    std::vector<Cx> row(static_cast<size_t>(m) + 1, Cx(0));
    Cx e = 0;
    for (int k = 1; k <= m; ++k) {
      Cx nk = at(c.MatN, r, k);
      if (nk == Cx(0)) continue;
      e += nk * at(c.MatE, k, 1);
      for (int j = 1; j <= m; ++j)
        if (at(c.MatZ, k, j) != Cx(0)) row[j] += nk * at(c.MatZ, k, j);
    }
    for (int j = 1; j <= m; ++j)
      if (row[j] != Cx(0)) t.emplace_back(n + r - 1, j - 1, row[j]);
    b(n + r - 1) = e;
  }
  Eigen::SparseMatrix<Cx> A(m, m);
  A.setFromTriplets(t.begin(), t.end());
  A.makeCompressed();
  Eigen::SparseLU<Eigen::SparseMatrix<Cx>, Eigen::COLAMDOrdering<int>> lu;
  lu.compute(A);
  if (lu.info() != Eigen::Success) throw std::runtime_error("sparse LU failed");
  Eigen::VectorXcd x = lu.solve(b);
  return std::vector<Cx>(x.data(), x.data() + x.size());
}

}  // namespace tps::bench
