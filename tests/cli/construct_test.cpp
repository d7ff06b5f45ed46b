// "construct" and "run --mode constructor" on the example of the docs: one
// chain equivalent to the track of scheme 2.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "test_support.h"

namespace fs = std::filesystem;

namespace {

struct Result {
  int code;
  std::string out, err;
};

Result Cli(const tpstest::TempDir& t, const std::string& args) {
  const fs::path out = t.Path() / "o.txt", err = t.Path() / "e.txt";
  const std::string cmd = std::string("'") + TPS_CLI_PATH + "' --workdir '" + (t.Path() / "w").string() +
                          "' " + args + " >'" + out.string() + "' 2>'" + err.string() + "'";
  const int rc = std::system(cmd.c_str());
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, tpstest::ReadString(out), tpstest::ReadString(err)};
}

const std::string kExamples = std::string(TPS_SOURCE_DIR) + "/docs/examples/";

}  // namespace

TEST(CliConstruct, ExampleChainRunsLikeSchemeTwo) {
  tpstest::TempDir t;
  fs::create_directories(t.Path() / "w");
  ASSERT_EQ(Cli(t, "seed").code, 0);
  ASSERT_EQ(Cli(t, "schedule make '" + kExamples + "scheme2_trains.csv' --out two.gdp --scheme 2").code, 0);
  Result c = Cli(t, "construct '" + kExamples + "scheme2_equivalent.json' --out nil.grf");
  ASSERT_EQ(c.code, 0) << c.err;
  EXPECT_TRUE(fs::exists(t.Path() / "w" / "graff" / "nil.grf"));
  EXPECT_EQ(tpstest::ReadString(t.Path() / "w" / "graff" / "nil.gch"),
            "current=dc\r\nconsole=0\r\nF1=NIL1 \xED\r\nF2=NIL1 \xEA\r\nF3=\xED/\xE8\r\nF4=\xED/\xE8\r\n");

  Result user = Cli(t, "run --mode constructor --graph nil.grf --schedule two.gdp");
  ASSERT_EQ(user.code, 0) << user.err;
  Result fixed = Cli(t, "run --mode schedule --schedule two.gdp");
  ASSERT_EQ(fixed.code, 0) << fixed.err;
  const auto u = nlohmann::json::parse(user.out), f = nlohmann::json::parse(fixed.out);
  EXPECT_EQ(u["outcome"], "finished");
  EXPECT_EQ(u["steps_solved"], f["steps_solved"]);
  // The resistance per km is typed with 15 digits: the totals agree to them.
  EXPECT_NEAR(u["energy_loss_wh"].get<double>(), f["energy_loss_wh"].get<double>(), 1e-6);
  EXPECT_NEAR(u["min_voltage_v"].get<double>(), f["min_voltage_v"].get<double>(), 1e-9);
  EXPECT_EQ(u["energy_supplied_wh"], f["energy_supplied_wh"]);

  // A refusal of the wizard: exit 2, its message, no file.
  std::ofstream(t.Path() / "bad.json") << R"({"current": "dc", "chains": [{"kind": "КП+РЛ", "r": 0.1, "ua": [3300, 0], "ub": [3300, 0]}]})";
  Result bad = Cli(t, "construct '" + (t.Path() / "bad.json").string() + "' --out bad.grf");
  EXPECT_EQ(bad.code, 2);
  EXPECT_NE(bad.err.find("Задайте правильный тип Циркла из предложеных"), std::string::npos);
  EXPECT_FALSE(fs::exists(t.Path() / "w" / "graff" / "bad.grf"));
  EXPECT_EQ(Cli(t, "run --mode constructor --graph missing.grf --schedule two.gdp").code, 1);
  EXPECT_EQ(Cli(t, "run --mode constructor --schedule two.gdp").code, 2);
}

// A description no wizard could have typed is refused with exit 2 and a
// message naming what is wrong: nested 70 000 levels deep (once a crash in
// the copying of the JSON), larger than a description can be, or holding a
// value of the wrong type under a key (once a raw "[json.exception...]").
TEST(CliConstruct, DeepLargeOrMistypedDescriptionsAreRefused) {
  tpstest::TempDir t;
  fs::create_directories(t.Path() / "w");
  const fs::path file = t.Path() / "d.json";
  auto construct = [&](const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
    return Cli(t, "construct '" + file.string() + "' --out d.grf");
  };
  const Result deep = construct("{\"chains\":" + std::string(70000, '[') + std::string(70000, ']') + "}");
  EXPECT_EQ(deep.code, 2);
  EXPECT_NE(deep.err.find("nested deeper than"), std::string::npos) << deep.err;
  const Result large = construct("{\"chains\":[], \"x\":\"" + std::string(2 << 20, 'a') + "\"}");
  EXPECT_EQ(large.code, 2);
  for (const auto& [text, key] : std::vector<std::pair<std::string, std::string>>{
           {R"({"current":5})", "\"current\""},
           {R"({"console":"yes"})", "\"console\""},
           {R"({"current":"dc","chains":[{"kind":1}]})", "\"kind\""},
           {R"({"current":"dc","chains":[{"passive":0}]})", "\"passive\""},
           {R"({"current":"dc","chains":[7]})", "chain 1"},
           {R"({"current":"dc","chains":{}})", "\"chains\""}}) {
    const Result r = construct(text);
    EXPECT_EQ(r.code, 2) << text;
    EXPECT_NE(r.err.find(key), std::string::npos) << text << ": " << r.err;
    EXPECT_EQ(r.err.find("json.exception"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(t.Path() / "w" / "graff" / "d.grf"));
}

// A key misspelt or left out is refused naming it, with the nearest key the
// description knows: "Ua" once built 3300 V and "resistance" a chain of 0 Ohm.
TEST(CliConstruct, MisspeltOrMissingKeysAreNamed) {
  tpstest::TempDir t;
  fs::create_directories(t.Path() / "w");
  const fs::path file = t.Path() / "d.json";
  auto construct = [&](const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
    return Cli(t, "construct '" + file.string() + "' --out d.grf");
  };
  const std::string chain = R"("kind":"КП+НТ+РЛ","r":0.1,"ua":[3300,0],"ub":[3300,0])";
  ASSERT_EQ(construct(R"({"current":"dc","chains":[{)" + chain + "}]}").code, 0);
  for (const auto& [text, says] : std::vector<std::pair<std::string, std::string>>{
           {R"({"current":"dc","chains":[{"kind":"КП+НТ+РЛ","r":0.1,"Ua":[3000,0],"ub":[3300,0]}]})",
            "unknown key \"Ua\"; did you mean \"ua\"?"},
           {R"({"current":"dc","chains":[{"kind":"КП+НТ+РЛ","resistance":0.1,"ua":[3300,0],"ub":[3300,0]}]})",
            "unknown key \"resistance\""},
           {R"({"current":"dc","chains":[{"kind":"КП+НТ+РЛ","ua":[3300,0],"ub":[3300,0]}]})", "\"r\" is missing"},
           {R"({"current":"dc","chains":[{"kind":"КП+НТ+РЛ","r":0.1,"ua":[3300,0]}]})", "\"ub\" is missing"},
           {R"({"current":"ac","chains":[{)" + chain + "}]}", "\"x\" is missing"},
           {R"({"chains":[{)" + chain + "}]}", "\"current\" is missing"},
           {R"({"current":"dc","chanis":[]})", "did you mean \"chains\"?"},
           {R"({"current":"dc","chains":[{)" + chain + R"(}],"rows":[{"a":"x","b":"y","from":1,"to":2}]})",
            "\"step\" is missing"}}) {
    const Result r = construct(text);
    EXPECT_EQ(r.code, 2) << text;
    EXPECT_NE(r.err.find(says), std::string::npos) << text << ": " << r.err;
  }
}
