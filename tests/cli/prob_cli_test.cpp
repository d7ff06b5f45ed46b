#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "test_support.h"

namespace fs = std::filesystem;

namespace {

struct Result {
  int code;
  std::string out, err;
};

Result Cli(const fs::path& work, const std::string& args) {
  const fs::path out = work.parent_path() / (work.filename().string() + ".out");
  const fs::path err = work.parent_path() / (work.filename().string() + ".err");
  const std::string cmd = std::string("'") + TPS_CLI_PATH + "' --workdir '" + work.string() + "' " + args +
                          " >'" + out.string() + "' 2>'" + err.string() + "'";
  const int rc = std::system(cmd.c_str());
  Result r{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, tpstest::ReadString(out), tpstest::ReadString(err)};
  fs::remove(out);
  fs::remove(err);
  return r;
}

bool Has(const std::string& s, const std::string& part) {
  return s.find(part) != std::string::npos;
}

const std::string kFlow =
    " --flow freight=3 --flow express=1:1000:1200:0:0:100:140 --flow suburban=1 --flow passenger=1";

}  // namespace

TEST(CliProb, SameSeedSameFilesAndTheRecordReplays) {
  tpstest::TempDir t;
  const fs::path w = t.Path();
  const std::string run = "run --mode prob --scheme 3 --option detailed --seed 77 --wait" + kFlow;
  ASSERT_EQ(Cli(w, run + " --record rec.gdp").code, 0);
  const std::string report = tpstest::ReadString(w / "Final.txt");
  const std::string losses = tpstest::ReadString(w / "Graph" / "dp.gmt");
  const Result again = Cli(w, run);
  ASSERT_EQ(again.code, 0);
  EXPECT_TRUE(Has(again.out, "\"trains_entered\":12"));
  EXPECT_EQ(tpstest::ReadString(w / "Final.txt"), report);
  EXPECT_EQ(tpstest::ReadString(w / "Graph" / "dp.gmt"), losses);
  ASSERT_EQ(Cli(w, "run --mode prob --scheme 3 --seed 78 --wait" + kFlow).code, 0);
  EXPECT_NE(tpstest::ReadString(w / "Graph" / "dp.gmt"), losses);

  // The schedule replays the run: the same loss at every step the run solved
  // (20 bytes of head, then 12 bytes a step), and one step more, the empty zone.
  const Result replay = Cli(w, "run --mode schedule --schedule rec.gdp");
  ASSERT_EQ(replay.code, 0) << replay.out << replay.err;
  const std::string replayed = tpstest::ReadString(w / "Graph" / "dp.gmt");
  ASSERT_EQ(replayed.size(), losses.size() + 12);
  const size_t steps = (losses.size() - 20) / 12 - 1;
  EXPECT_EQ(replayed.substr(20, steps * 12), losses.substr(20, steps * 12));
}

// --flow is this run's flow: the file stays as it was, whether the run went
// or was refused, unless --save-flow stores it. --record replaces no
// schedule unasked: the default never, another only with --force. The clock
// of the end counts the last step.
TEST(CliProb, FlowAndRecordChangeNoFileUnasked) {
  tpstest::TempDir t;
  const fs::path w = t.Path();
  ASSERT_EQ(Cli(w, "seed").code, 0);
  const fs::path flow = t.Work().Resolve("data\\prelvoz.dmt");
  const std::string flowFile = tpstest::ReadString(flow);
  ASSERT_EQ(flowFile.size(), 512u);  // the flow of DC lines, then that of AC lines
  const Result ran = Cli(w, "run --mode prob --scheme 3 --seed 3" + kFlow);
  ASSERT_EQ(ran.code, 0) << ran.err;
  EXPECT_TRUE(Has(ran.out, "\"model_time_min\":60.0")) << ran.out;
  EXPECT_TRUE(Has(ran.out, "\"trains_entered\":12")) << ran.out;
  const Result tooMany = Cli(w, "run --mode prob --scheme 3 --flow freight=50");
  EXPECT_EQ(tooMany.code, 2);
  EXPECT_EQ(tpstest::ReadString(flow), flowFile);
  EXPECT_EQ(Cli(w, "run --mode prob --scheme 3").code, 0);  // the plain run is not refused
  ASSERT_EQ(Cli(w, "run --mode prob --scheme 3 --seed 3 --save-flow" + kFlow).code, 0);
  EXPECT_NE(tpstest::ReadString(flow), flowFile);
  // A DC scheme stores the DC flow: the AC flow stays as it was.
  EXPECT_EQ(tpstest::ReadString(flow).substr(256), flowFile.substr(256));
  EXPECT_EQ(Cli(w, "run --mode prob --scheme 3 --save-flow").code, 2);

  const std::string file00 = tpstest::ReadString(w / "gdp" / "file00.gdp");
  EXPECT_EQ(Cli(w, "run --mode prob --scheme 3 --record FILE00.gdp").code, 2);
  EXPECT_EQ(tpstest::ReadString(w / "gdp" / "file00.gdp"), file00);
  ASSERT_EQ(Cli(w, "run --mode prob --scheme 3 --record mine.gdp").code, 0);
  const std::string mine = tpstest::ReadString(w / "gdp" / "mine.gdp");
  const Result exists = Cli(w, "run --mode prob --scheme 3 --seed 9 --record mine.gdp");
  EXPECT_EQ(exists.code, 2);
  EXPECT_TRUE(Has(exists.err, "--force")) << exists.err;
  EXPECT_EQ(tpstest::ReadString(w / "gdp" / "mine.gdp"), mine);
  EXPECT_EQ(Cli(w, "run --mode prob --scheme 3 --seed 9 --record mine.gdp --force").code, 0);
  EXPECT_NE(tpstest::ReadString(w / "gdp" / "mine.gdp"), mine);
}

TEST(CliProb, BadInputIsRefusedAndTheFlowFileKept) {
  tpstest::TempDir t;
  const fs::path w = t.Path();
  ASSERT_EQ(Cli(w, "seed").code, 0);
  const std::string flowFile = tpstest::ReadString(t.Work().Resolve("data\\prelvoz.dmt"));
  ASSERT_EQ(flowFile.size(), 512u);
  const Result cell = Cli(w, "run --mode prob --scheme 3 --flow freight=2 --flow express=x");
  EXPECT_EQ(cell.code, 2);
  EXPECT_TRUE(Has(cell.err, "Значение в строке \"Скоростной\", столбце \"Количество\""));
  EXPECT_EQ(tpstest::ReadString(t.Work().Resolve("data\\prelvoz.dmt")), flowFile);
  EXPECT_EQ(Cli(w, "run --mode prob --scheme 3 --interval 75").code, 2);
  EXPECT_EQ(Cli(w, "run --mode prob --scheme 3 --period '2 часа'").code, 2);
  EXPECT_EQ(Cli(w, "run --mode prob").code, 2);
  const Result year = Cli(w, "run --mode prob --scheme 3 --period '1 год' --flow freight=10");
  EXPECT_EQ(year.code, 2);
  EXPECT_TRUE(Has(year.err, "65700 интервалов"));
  EXPECT_FALSE(fs::exists(w / "Graph" / "dp.gmt"));

  const Result test = Cli(w, "run --mode test --scheme 3 --train 1:0:1000 --train 2:20:800:0:40");
  ASSERT_EQ(test.code, 0) << test.err;
  EXPECT_TRUE(Has(test.out, "\"steps_solved\":31"));
  EXPECT_EQ(Cli(w, "run --mode test --scheme 1 --train 2:0:1000").code, 2);
  EXPECT_EQ(Cli(w, "run --mode test --scheme 3 --interval 8").code, 2);
  EXPECT_EQ(Cli(w, "run --mode prob --scheme 3 --train 1:0:1000").code, 2);
}
