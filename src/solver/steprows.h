// The results of every step as data: a row per step and train (model time,
// step, train, track, km, the train's current, its pantograph voltage) and a
// row per step with the feeder currents and the step's power loss. Kept as
// CSV (UTF-8 with a byte order mark, RFC 4180, the units in the header) or
// as JSON lines (one object per step), to be written when the run has ended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "arith/matr.h"
#include "params/state.h"

namespace tps {

enum class StepRowsFormat { Csv, Jsonl };

// The CSV columns: the step row fills time, step, the feeder currents (as
// the substations deliver them) and the loss; a train row time, step and the
// train's columns.
inline constexpr int kStepRowsColumns = 19;
inline constexpr const char* kStepRowsHeader[kStepRowsColumns] = {
    "Время, мин", "Шаг",      "Поезд",    "Путь",     "Км, км",   "Ток Re, А", "Ток Im, А",
    "U Re, В",    "U Im, В",  "|U|, В",   "Ф1 Re, А", "Ф1 Im, А", "Ф2 Re, А",  "Ф2 Im, А",
    "Ф3 Re, А",   "Ф3 Im, А", "Ф4 Re, А", "Ф4 Im, А", "Потери шага, Вт"};

class StepRowsRecorder {
 public:
  // Rows past `maxBytes` of text are not kept (Truncated then says so).
  explicit StepRowsRecorder(StepRowsFormat format, size_t maxBytes = SIZE_MAX);
  // The step just solved; the first step of a run (StepCount 1) starts the
  // rows afresh.
  void OnStep(const AppState& st, const CMat& I, const CMat& Phi);
  // The whole text so far (for CSV: the mark and the header first).
  const std::string& Text() const { return text_; }
  size_t Steps() const { return steps_; }
  bool Truncated() const { return truncated_; }
  StepRowsFormat Format() const { return format_; }
  void Clear();

 private:
  StepRowsFormat format_;
  size_t maxBytes_;
  std::string text_;
  size_t steps_ = 0;
  bool truncated_ = false;
};

// CSV or JSON lines by the name's ending (".jsonl" or ".csv", any letter
// case); false for any other.
bool StepRowsFormatOf(const std::string& fileName, StepRowsFormat& format);

}  // namespace tps
