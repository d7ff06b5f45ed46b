// The matrix core of one step on sparse rows: the branch currents
// A^-1 b of [M; N Z] I = [J; N E], the node potentials and the loss product,
// with the same bits as the element-by-element Gauss-Jordan inverse and
// matrix products, doing only the work that reaches a result.
#pragma once

#include <utility>
#include <vector>

#include "arith/cmplx.h"
#include "arith/matr.h"

namespace tps {

// Columns of the inverse of an n x n matrix by the Gauss-Jordan elimination
// of MatInverse, bit for bit: the same pivots, the same deferred row
// exchanges, the same order of every partial sum. Only the columns asked for
// are formed (the columns of the work matrix evolve independently once the
// eliminating factors are fixed).
class InverseColumns {
 public:
  // `a` holds the matrix row by row (element (i, k) at a[(i - 1) n + k - 1])
  // and is consumed; wanted[k - 1] asks for column k. Raises SingularError as
  // MatInverse does.
  InverseColumns(std::vector<TComplex> a, int n, const std::vector<bool>& wanted);
  // Element (i, k) of the inverse, 1-based; k must have been asked for.
  const TComplex& At(int i, int k) const { return s_[static_cast<size_t>(i - 1) * width_ + slot_[k - 1]]; }
  // The product of the inverse with the column b (n elements, 0-based) into
  // out(1..n, 1), as MatMul forms it; b's non-zero elements must have been
  // asked for.
  void MulColumn(const std::vector<TComplex>& b, CMat& out);
  // The transposed inverse times the column u, X^T u, into out(1..n, 1), as
  // MatMul(MatTranspose(X), u) forms it; every column must have been asked for.
  void MulTransposed(const std::vector<TComplex>& u, CMat& out);

  // A non-zero element of a row (0-based column) with its polar form.
  struct Term {
    int K;
    TPolar P;
  };

 private:
  int n_ = 0, width_ = 0;
  std::vector<int> slot_;    // per column of the inverse: its place among the formed ones
  std::vector<int> column_;  // per place: the column of the inverse
  std::vector<TComplex> s_;  // the formed columns, row by row
  // The non-zero elements of the final rows in polar form, kept from the
  // backward pass where a row served as pivot row.
  std::vector<Term> terms_;               // the kept rows one after another
  std::vector<int> termStart_, termEnd_;  // per row; -1: not kept yet
  struct Span {
    const Term *Begin, *End;
    const Term* begin() const { return Begin; }
    const Term* end() const { return End; }
  };
  // The places of the columns asked for, after the exchanges; returns the
  // place of each column of S (-1: not formed).
  std::vector<int> Place(const std::vector<std::pair<int, int>>& exchanges, const std::vector<bool>& wanted);
  // Row i's terms, gathered now unless kept.
  Span RowTerms(int i);
};

// Forgets the inverse of the tree block kept from the last step, so that the
// next step forms it afresh (a cold step, as the benchmark times one).
void ForgetTreeInverse();

struct StepCircuit;
struct StepResult;
// The matrix core of one step on sparse rows: the same results, bit for bit,
// as MatInverse and MatMul element by element give them for
// [M; N Z] I = [J; N E], the potentials and the loss product.
StepResult SolveStepCore(StepCircuit& c, bool potentials);

}  // namespace tps
