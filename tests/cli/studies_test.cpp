#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "test_support.h"

namespace fs = std::filesystem;

namespace {

struct Answer {
  int code;
  std::string out, err;
};

Answer Cli(const fs::path& work, const std::string& args) {
  const fs::path out = work.parent_path() / (work.filename().string() + ".o");
  const fs::path err = work.parent_path() / (work.filename().string() + ".e");
  const std::string cmd = std::string("'") + TPS_CLI_PATH + "' --workdir '" + work.string() + "' " + args +
                          " >'" + out.string() + "' 2>'" + err.string() + "'";
  const int rc = std::system(cmd.c_str());
  Answer a{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, tpstest::ReadString(out), tpstest::ReadString(err)};
  fs::remove(out);
  fs::remove(err);
  return a;
}

// A seeded working directory with the default schedule made for scheme v.
void Seed(const fs::path& work, int v) {
  ASSERT_EQ(Cli(work, "seed").code, 0);
  ASSERT_EQ(Cli(work, std::string("schedule make '") + TPS_SOURCE_DIR +
                          "/data/gdp/file00.csv' --out s.gdp --scheme " + std::to_string(v))
                .code,
            0);
}

}  // namespace

// One job and two: the same answer and the same files, byte for byte.
TEST(CliStudies, PlacementOnOneAndTwoJobsGivesTheSameFiles) {
  struct Case {
    int scheme;
    std::string command, file;
  };
  for (const Case& c : {Case{4, "psk-sweep --schedule s.gdp --from 6 --to 10", "Export/TaskPSK.txt"},
                        Case{5, "pps-search --schedule s.gdp --step 3", "Export/TaskPSK&PPS.txt"}}) {
    std::string answer[2];
    std::vector<uint8_t> files[2][3];
    for (int jobs : {1, 2}) {
      tpstest::TempDir t;
      Seed(t.Path(), c.scheme);
      const Answer a = Cli(t.Path(), c.command + " --option detailed --jobs " + std::to_string(jobs));
      ASSERT_EQ(a.code, 0) << a.err;
      answer[jobs - 1] = a.out;
      files[jobs - 1][0] = tpstest::ReadBytes(t.Path() / c.file);
      files[jobs - 1][1] = tpstest::ReadBytes(t.Path() / "final.txt");
      files[jobs - 1][2] = tpstest::ReadBytes(t.Path() / "Graph/dp.gmt");
      EXPECT_FALSE(fs::exists(t.Path() / "Temp"));
    }
    EXPECT_EQ(answer[0], answer[1]);
    EXPECT_FALSE(files[0][0].empty());
    for (int f = 0; f < 3; ++f) EXPECT_EQ(files[0][f], files[1][f]) << c.command << " " << f;
  }
}

TEST(CliStudies, RefusalsExitWithTwo) {
  tpstest::TempDir t;
  Seed(t.Path(), 4);
  const Answer bound = Cli(t.Path(), "psk-sweep --schedule s.gdp --to 25");
  EXPECT_EQ(bound.code, 2);
  EXPECT_NE(bound.err.find("Значение правой границы"), std::string::npos);
  const Answer other = Cli(t.Path(), "psk-sweep --schedule s.gdp --set ZoneLength=30");
  EXPECT_EQ(other.code, 2);
  EXPECT_NE(other.err.find("Неправильный тип схемных параметров"), std::string::npos);
  EXPECT_EQ(Cli(t.Path(), "pps-search --schedule s.gdp").code, 2);  // not the parallel scheme
  EXPECT_EQ(Cli(t.Path(), "psk-sweep --schedule s.gdp --jobs 0").code, 2);
  // The statistics take only the periods of the list.
  EXPECT_EQ(Cli(t.Path(), "stats --runs 16 --seed 3 --period '1 hour' --jobs 16").code, 2);
}

// A fractional step reaches its last place, and every place is written as
// the step writes it; the loss is named with its unit.
TEST(CliStudies, PlacesAreFirstPlusKSteps) {
  tpstest::TempDir t;
  Seed(t.Path(), 4);
  const Answer a = Cli(t.Path(), "psk-sweep --schedule s.gdp --from 1 --to 2 --step 0.1 --jobs 2");
  ASSERT_EQ(a.code, 0) << a.err;
  EXPECT_NE(a.out.find("\"positions_km\":[1.0,1.1,1.2,1.3,1.4,1.5,1.6,1.7,1.8,1.9,2.0]"), std::string::npos)
      << a.out;
  EXPECT_NE(a.out.find("\"losses_wh\":["), std::string::npos);
  EXPECT_NE(a.out.find("\"best_loss_wh\":"), std::string::npos);
  // Eleven lines, the places as the step writes them: "1.9 ...", then "2 ...".
  const std::string lines = tpstest::ReadString(t.Path() / "Export" / "TaskPSK.txt");
  size_t count = 0;
  for (size_t p = 0; (p = lines.find("\r\n", p)) != std::string::npos; p += 2) ++count;
  EXPECT_EQ(count, 11u) << lines;
  EXPECT_NE(lines.find("\r\n1.9 "), std::string::npos) << lines;
  EXPECT_NE(lines.find("\r\n2 "), std::string::npos) << lines;
}

// The statistics on one job and two: the same realizations, byte for byte.
TEST(CliStudies, StatisticsOnOneAndTwoJobsGiveTheSameFile) {
  std::string out[2];
  std::vector<uint8_t> file[2];
  for (int jobs : {1, 2}) {
    tpstest::TempDir t;
    ASSERT_EQ(Cli(t.Path(), "seed").code, 0);
    const Answer a = Cli(t.Path(), "stats --runs 6 --seed 5 --wait --jobs " + std::to_string(jobs));
    ASSERT_EQ(a.code, 0) << a.err;
    out[jobs - 1] = a.out;
    file[jobs - 1] = tpstest::ReadBytes(t.Path() / "Statistic.txt");
  }
  EXPECT_NE(out[0].find("\"runs\":6"), std::string::npos);
  EXPECT_EQ(out[0], out[1]);
  EXPECT_EQ(file[0], file[1]);
}
