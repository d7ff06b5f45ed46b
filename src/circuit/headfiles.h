// The head files of the circuit matrices: a compact, hand-editable text form
// of the five matrices of one step ("temp\Jhead.txt", "Ehead.txt",
// "Mhead.txt", "Nhead.txt", "Zhead.txt", "Zvhead.txt"). Only the non-zero
// elements are listed, one per line, each line ending with the mark "a";
// the impedance files allow ranges of elements. With "Писать матрицы в
// файл?" checked every step writes them after its matrices are built and the
// solution reads them back, so the solved circuit is what the files say.
#pragma once

#include "arith/matr.h"
#include "params/fileio.h"

namespace tps {

// Writes the six files from the matrices: J (n x 1), E (m x 1), M (n x m),
// N ((m - n) x m), Z (m x m).
void WriteHeadFiles(const WorkDir& wd, const CMat& J, const CMat& E, const CMat& M, const CMat& N,
                    const CMat& Z, int n, int m);

// Re-creates the five matrices with those sizes, all elements 0, and fills
// them from the six files. A line that breaks the format, an index outside
// its matrix or a wrong number of lines raises IoError with the message of
// the file ("Ошибка в файле Jhead.txt", ..., "Ошибка в количестве узлов",
// "Ошибка в количестве ветвей"); the matrices passed in are then left as
// they were, so nothing half-read is ever solved.
void ReadHeadFiles(const WorkDir& wd, CMat& J, CMat& E, CMat& M, CMat& N, CMat& Z, int n, int m);

}  // namespace tps
