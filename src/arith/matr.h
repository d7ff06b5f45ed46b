// Dense complex matrices of the matrix method, addressed from row 1 and
// column 1 (row 0 and column 0 exist and are never used). A matrix value is a
// shared reference: copying a CMat makes both name the same storage.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "arith/cmplx.h"

namespace tps {

class CMat {
 public:
  CMat() = default;
  CMat(int rows, int cols)
      : rows_(rows),
        cols_(cols),
        data_(std::make_shared<std::vector<TComplex>>(static_cast<size_t>(rows + 1) * (cols + 1))) {}

  int Rows() const { return rows_; }
  int Cols() const { return cols_; }
  bool Empty() const { return !data_; }
  // Element (i, j), 1-based.
  TComplex& operator()(int i, int j) { return (*data_)[static_cast<size_t>(i) * (cols_ + 1) + j]; }
  const TComplex& operator()(int i, int j) const {
    return (*data_)[static_cast<size_t>(i) * (cols_ + 1) + j];
  }
  // Releases this reference; the storage goes with the last one.
  void Release() {
    data_.reset();
    rows_ = cols_ = 0;
  }
  // A deep copy with storage of its own.
  CMat Clone() const {
    CMat m;
    m.rows_ = rows_;
    m.cols_ = cols_;
    if (data_) m.data_ = std::make_shared<std::vector<TComplex>>(*data_);
    return m;
  }
  bool SameStorage(const CMat& o) const { return data_ == o.data_; }

 private:
  int rows_ = 0, cols_ = 0;
  std::shared_ptr<std::vector<TComplex>> data_;
};

// A (rows x inner) times B (inner x cols); every partial sum is snapped.
CMat MatMul(const CMat& A, int rows, int inner, const CMat& B, int rowsB, int cols);
CMat MatTranspose(const CMat& A, int rows, int cols);
CMat MatStack(const CMat& A, int rowsA, int cols, const CMat& B, int rowsB, int colsB);
CMat MatSub(const CMat& A, int rows, int cols, const CMat& B);
// The most row exchanges one inversion may record.
inline constexpr size_t kMaxRowExchanges = 300;

// Gauss-Jordan inverse with deferred row exchanges; A is permuted and
// overwritten. Raises SingularError on a singular matrix or more than 300 exchanges.
CMat MatInverse(CMat A, int n);
// Element of smallest modulus of V(1..count, 1) (only the first count div 2
// when halfOnly, the "Откл Ф2 и Ф4" rule); starts at 1000000 + j0.
TComplex MinByModulus(const CMat& V, int count, bool halfOnly);
// Element of largest modulus of V(count div 2 + 1 .. count, 1); starts at 0.
TComplex MaxByModulusUpperHalf(const CMat& V, int count);
// Negates the imaginary parts of V(1..count, 1) in place and returns V.
CMat ConjugateColumn(CMat V, int count);


}  // namespace tps
