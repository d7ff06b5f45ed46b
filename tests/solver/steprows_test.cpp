#include "solver/steprows.h"

#include <gtest/gtest.h>

#include <sstream>

#include "driver/testrun.h"
#include "params/conv.h"
#include "params/csv.h"
#include "solver/report.h"
#include "solver/solve.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::Zone;

namespace {

// RFC 4180 fields of one record (quoted fields with doubled quotes).
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> f(1);
  bool quoted = false;
  for (size_t k = 0; k < line.size(); ++k) {
    const char c = line[k];
    if (quoted) {
      if (c == '"' && k + 1 < line.size() && line[k + 1] == '"') {
        f.back() += '"';
        ++k;
      } else if (c == '"') {
        quoted = false;
      } else {
        f.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      f.emplace_back();
    } else {
      f.back() += c;
    }
  }
  return f;
}

std::vector<std::string> Records(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t p; (p = text.find("\r\n", start)) != std::string::npos; start = p + 2)
    lines.push_back(text.substr(start, p - start));
  EXPECT_EQ(start, text.size()) << "every record ends with CR LF";
  return lines;
}

// The batch of the test fixture on a two-sided double-track DC zone.
void Batch(AppState& st, StepRowsRecorder& rows) {
  st.StepRows = &rows;
  st.Params.BatchTrains.Set("3");
  st.Params.BatchInterval.Set("4");
  ASSERT_EQ(BatchLaunch(st), RunOutcome::Finished);
  st.StepRows = nullptr;
}

}  // namespace

// Read back, the step rows give the run's energy loss again (the trapezoid
// over the step losses), and every train row its pantograph voltage.
TEST(StepRows, CsvReadBackGivesTheRunsEnergyLoss) {
  Zone z(3, "10");
  StepRowsRecorder rows(StepRowsFormat::Csv);
  Batch(z.S(), rows);
  const std::string& text = rows.Text();
  ASSERT_EQ(text.rfind(kUtf8Bom, 0), 0u);
  const std::vector<std::string> records = Records(text.substr(3));
  ASSERT_GT(records.size(), 2u);
  const std::vector<std::string> head = Fields(records[0]);
  ASSERT_EQ(head.size(), size_t(kStepRowsColumns));
  EXPECT_EQ(head[0], "Время, мин");
  EXPECT_EQ(head[18], "Потери шага, Вт");
  double loss = 0, previous = 0;
  size_t steps = 0, trainRows = 0;
  const double dt = 1;
  for (size_t k = 1; k < records.size(); ++k) {
    const std::vector<std::string> f = Fields(records[k]);
    ASSERT_EQ(f.size(), size_t(kStepRowsColumns)) << records[k];
    if (f[2].empty()) {  // the step's own row
      ++steps;
      EXPECT_EQ(StrToInt(f[1]), static_cast<int>(steps));
      const double p = StrToFloat(f[18]);
      loss += dt * (previous / 2 + p / 2) / 60;
      previous = p;
      for (int c = 10; c <= 17; ++c) EXPECT_FALSE(f[c].empty()) << "four feeders of scheme 3";
    } else {
      ++trainRows;
      const double km = StrToFloat(f[4]), u = StrToFloat(f[9]);
      EXPECT_GE(km, 0);
      EXPECT_LE(km, 10);
      EXPECT_EQ(StrToFloat(f[5]), 1000);
      EXPECT_LE(u, 3300);
      EXPECT_EQ(u, StrToFloat(f[7]));  // direct current: the voltage is real
    }
  }
  EXPECT_EQ(steps, rows.Steps());
  EXPECT_EQ(steps, z.S().LossSeries.Losses.size() - 1);
  EXPECT_GT(trainRows, steps);
  EXPECT_NEAR(loss, z.S().EnergyLoss, 1e-9 * z.S().EnergyLoss);
}

TEST(StepRows, JsonLinesOneObjectPerStepAndANewRunStartsAfresh) {
  Zone z(3, "10");
  StepRowsRecorder rows(StepRowsFormat::Jsonl);
  Batch(z.S(), rows);
  const size_t first = rows.Steps();
  std::istringstream in(rows.Text());
  std::string line;
  size_t n = 0;
  while (std::getline(in, line)) {
    ++n;
    EXPECT_EQ(line.rfind("{\"step\":" + std::to_string(n) + ",\"time_min\":", 0), 0u) << line;
    EXPECT_EQ(line.back(), '}');
  }
  EXPECT_EQ(n, first);
  EXPECT_NE(rows.Text().find("{\"feeder\":\"Ф4\",\"current_re_a\":"), std::string::npos);
  // The second run replaces the rows of the first.
  Batch(z.S(), rows);
  EXPECT_EQ(rows.Steps(), first);
  // A cap keeps the first steps only, and says so.
  StepRowsRecorder small(StepRowsFormat::Jsonl, 400);
  Batch(z.S(), small);
  EXPECT_TRUE(small.Truncated());
  EXPECT_LE(small.Text().size(), 400u);
  StepRowsFormat f;
  EXPECT_TRUE(StepRowsFormatOf("a.CSV", f));
  EXPECT_EQ(f, StepRowsFormat::Csv);
  EXPECT_TRUE(StepRowsFormatOf("dir/a.jsonl", f));
  EXPECT_EQ(f, StepRowsFormat::Jsonl);
  EXPECT_FALSE(StepRowsFormatOf("a.txt", f));
  EXPECT_FALSE(StepRowsFormatOf(".csv", f));
}
