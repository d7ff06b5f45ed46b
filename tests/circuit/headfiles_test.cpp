// The head files of the circuit matrices: their text, reading them back and
// every message of a damaged file.
#include "circuit/headfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "params/errors.h"
#include "zone_fixture.h"

namespace tps {
namespace {

struct Written : tpstest::Zone {
  explicit Written(int variant) : Zone(variant) { S().Options.WriteMatrices = true; }
  void Build() { ASSERT_TRUE(BuildStepCircuit(S())); }
  std::string File(const char* name) {
    const Bytes b = ReadFileBytes(S().Work, std::string("temp\\") + name);
    return std::string(b.begin(), b.end());
  }
  void Put(const char* name, const std::string& text) {
    WriteText(S().Work, std::string("temp\\") + name, text);
  }
  // Reads the files into the step's matrices; the message of a refusal, "" when read.
  std::string Read() {
    StepCircuit& c = S().Circuit;
    try {
      ReadHeadFiles(S().Work, c.MatJ, c.MatE, c.MatM, c.MatN, c.MatZ, c.NodeCount, c.BranchCount);
    } catch (const IoError& e) {
      return e.what();
    }
    return "";
  }
};

TEST(HeadFiles, ZoneWithOneTrainAsTextAndBack) {
  Written w(2);
  elvoz t;
  t.Number = 1;
  t.Km = 5;
  t.Current = {1000, 0};
  w.S().Trains.Trains1.push_back(t);
  w.Build();
  // Two line segments of 0.15 Ohm/km, source B closing the loop.
  EXPECT_EQ(w.File("Jhead.txt"), "1: 2 1000 0 a");
  EXPECT_EQ(w.File("Ehead.txt"), "1: 1 3300 0 a\r\n2: 4 -3300 0 a");
  EXPECT_EQ(w.File("Mhead.txt"), "1: 1 -2 a\r\n2: 2 -3 a\r\n3: 3 -4 a");
  EXPECT_EQ(w.File("Nhead.txt"), "1: 1 2 3 4  a");
  EXPECT_EQ(w.File("Zhead.txt"), "(1-1): 0 0 a\r\n(2-2): 0.75 0 a\r\n(3-3): 2.25 0 a\r\n(4-4): 0 0 a");
  EXPECT_EQ(w.File("Zvhead.txt"), "(1-1)(2-2): 0 0 a");
  const StepCircuit before = w.S().Circuit;
  const CMat J = before.MatJ.Clone(), Z = before.MatZ.Clone();
  EXPECT_EQ(w.Read(), "");
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(w.S().Circuit.MatJ(i, 1).Re, J(i, 1).Re);
  for (int i = 1; i <= 4; ++i)
    for (int k = 1; k <= 4; ++k) EXPECT_NEAR(w.S().Circuit.MatZ(i, k).Re, Z(i, k).Re, 1e-14);
}

TEST(HeadFiles, EmptyZoneWritesThePlaceholderCurrent) {
  Written w(2);
  w.Build();
  EXPECT_EQ(w.File("Jhead.txt"), "1: 1 0 0 a");
  EXPECT_EQ(w.Read(), "");
  EXPECT_EQ(w.S().Circuit.MatJ(1, 1).Re, 0);
  EXPECT_EQ(w.S().Circuit.MatJ(2, 1).Re, 0);
}

TEST(HeadFiles, MutualTracksComeBackSymmetricFromTheLowerTriangle) {
  Written w(10);
  elvoz t;
  t.Number = 1;
  t.Km = 4;
  t.Current = {250, -100};
  w.S().Trains.Trains1.push_back(t);
  t.Number = 2;
  t.Km = 13;
  w.S().Trains.Trains2.push_back(t);
  w.Build();
  StepCircuit& c = w.S().Circuit;
  const int n = c.NodeCount, m = c.BranchCount;
  const CMat M = c.MatM.Clone(), N = c.MatN.Clone(), Z = c.MatZ.Clone(), E = c.MatE.Clone(),
             J = c.MatJ.Clone();
  // The upper triangle is not read: whatever stands there comes back as the lower.
  ASSERT_EQ(w.Read(), "");
  // Equal up to the 15 significant digits of the number text.
  auto same = [](const CMat& a, const CMat& b, int rows, int cols) {
    auto near = [](double x, double y) { return std::abs(x - y) <= 1e-14 * std::max(1.0, std::abs(y)); };
    for (int i = 1; i <= rows; ++i)
      for (int k = 1; k <= cols; ++k)
        if (!near(a(i, k).Re, b(i, k).Re) || !near(a(i, k).Im, b(i, k).Im)) return false;
    return true;
  };
  EXPECT_TRUE(same(c.MatM, M, n, m));
  EXPECT_TRUE(same(c.MatN, N, m - n, m));
  EXPECT_TRUE(same(c.MatE, E, m, 1));
  EXPECT_TRUE(same(c.MatJ, J, n, 1));
  EXPECT_TRUE(same(c.MatZ, Z, m, m));
  int mutual = 0;
  for (int i = 1; i <= m; ++i)
    for (int k = 1; k <= m; ++k) {
      EXPECT_EQ(c.MatZ(i, k).Im, c.MatZ(k, i).Im);
      if (i != k && c.MatZ(i, k).Im != 0) ++mutual;
    }
  EXPECT_GT(mutual, 0);
}

TEST(HeadFiles, RangesAndEveryMessageOfADamagedFile) {
  Written w(3);
  w.Build();  // m = 6 branches: two track circles without trains
  w.Put("Zhead.txt", "(1-3): 0.1 0 a");
  w.Put("Zvhead.txt", "(5-6)(1-2): 0 0.3 a");
  ASSERT_EQ(w.Read(), "");
  const CMat& Z = w.S().Circuit.MatZ;
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(Z(i, i).Re, 0.1);
  EXPECT_EQ(Z(4, 4).Re, 0);
  for (auto [r, c] : {std::pair{5, 1}, {1, 5}, {6, 2}, {2, 6}}) EXPECT_EQ(Z(r, c).Im, 0.3) << r << "," << c;
  EXPECT_EQ(Z(5, 2).Im, 0);

  const CMat kept = w.S().Circuit.MatZ;
  const std::pair<const char*, const char*> damaged[] = {
      {"Zvhead.txt", "(5-6)(1-1): 0 0.3 a"}, {"Zhead.txt", "(1-3) 0.1 0 a"}, {"Zhead.txt", "(1-9): 0.1 0 a"},
      {"Jhead.txt", "2: 1 5 0 a"},           {"Ehead.txt", "1: 1 x 0 a"},    {"Mhead.txt", "1: 1 -2 a"},
      {"Nhead.txt", "1: 1 -2 9 a"},          {"Nhead.txt", "1: 1 2 3  a"},
  };
  const char* messages[] = {"Ошибка в файле Zvhead.txt", "Ошибка в файле Zhead.txt",
                            "Ошибка в файле Zhead.txt",  "Ошибка в файле Jhead.txt",
                            "Ошибка в файле Ehead.txt",  "Ошибка в количестве узлов",
                            "Ошибка в файле Nhead.txt",  "Ошибка в количестве ветвей"};
  for (size_t k = 0; k < std::size(damaged); ++k) {
    Written fresh(3);
    fresh.Build();
    fresh.Put(damaged[k].first, damaged[k].second);
    const CMat before = fresh.S().Circuit.MatZ;
    EXPECT_EQ(fresh.Read(), messages[k]) << damaged[k].second;
    EXPECT_TRUE(fresh.S().Circuit.MatZ.SameStorage(before));  // nothing half-read replaces the matrices
  }
  (void)kept;
}

}  // namespace
}  // namespace tps
