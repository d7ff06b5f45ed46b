// The JSON of every command against its published schema
// (docs/tpscalc-cli.schema.json): every key documented, every value of the
// documented type, one type for a key in every command.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

struct Answer {
  int code;
  std::string out, err;
};

Answer Cli(const fs::path& work, const std::string& args) {
  const fs::path out = work.parent_path() / "o.txt", err = work.parent_path() / "e.txt";
  const std::string cmd = std::string("'") + TPS_CLI_PATH + "' --workdir '" + work.string() + "' " + args +
                          " >'" + out.string() + "' 2>'" + err.string() + "'";
  const int rc = std::system(cmd.c_str());
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, tpstest::ReadString(out), tpstest::ReadString(err)};
}

const json& Schema() {
  static const json s = json::parse(tpstest::ReadString(fs::path(TPS_SOURCE_DIR) / "docs/tpscalc-cli.schema.json"));
  return s;
}

const json& Resolve(const json& node) {
  if (!node.contains("$ref")) return node;
  const std::string ref = node["$ref"];
  return Schema()["$defs"][ref.substr(std::string("#/$defs/").size())];
}

bool OfType(const json& v, const std::string& t) {
  if (t == "object") return v.is_object();
  if (t == "array") return v.is_array();
  if (t == "string") return v.is_string();
  if (t == "boolean") return v.is_boolean();
  if (t == "null") return v.is_null();
  if (t == "integer") return v.is_number_integer() || v.is_number_unsigned();
  if (t == "number") return v.is_number();
  return false;
}

// The faults of `v` against `node`: type, enum, required, properties,
// additionalProperties and items; a $ref follows its definition.
void Validate(const json& v, const json& node, const std::string& path, std::vector<std::string>& faults) {
  if (node.contains("type")) {
    const json types = node["type"].is_array() ? node["type"] : json::array({node["type"]});
    bool ok = false;
    for (const json& t : types) ok = ok || OfType(v, t.get<std::string>());
    if (!ok) {
      faults.push_back(path + ": " + v.dump() + " is not " + node["type"].dump());
      return;
    }
    if (v.is_null()) return;
  }
  if (node.contains("$ref")) Validate(v, Resolve(node), path, faults);
  if (node.contains("enum")) {
    bool found = false;
    for (const json& e : node["enum"]) found = found || e == v;
    if (!found) faults.push_back(path + ": " + v.dump() + " is not one of " + node["enum"].dump());
  }
  if (v.is_object()) {
    for (const json& r : node.value("required", json::array()))
      if (!v.contains(r.get<std::string>())) faults.push_back(path + ": \"" + r.get<std::string>() + "\" missing");
    const json props = node.value("properties", json::object());
    for (auto it = v.begin(); it != v.end(); ++it) {
      if (props.contains(it.key())) {
        Validate(it.value(), props[it.key()], path + "." + it.key(), faults);
      } else if (node.contains("additionalProperties")) {
        const json& extra = node["additionalProperties"];
        if (extra.is_boolean() && !extra.get<bool>())
          faults.push_back(path + ": \"" + it.key() + "\" is not documented");
        else if (extra.is_object())
          Validate(it.value(), extra, path + "." + it.key(), faults);
      }
    }
  }
  if (v.is_array() && node.contains("items"))
    for (size_t k = 0; k < v.size(); ++k) Validate(v[k], node["items"], path + "[" + std::to_string(k) + "]", faults);
}

std::vector<std::string> Faults(const std::string& command, const std::string& out) {
  std::vector<std::string> faults;
  json v;
  try {
    v = json::parse(out);
  } catch (const json::exception& e) {
    return {command + ": not JSON: " + e.what() + ": " + out.substr(0, 200)};
  }
  if (!Schema()["$defs"].contains(command)) return {command + ": no definition in the schema"};
  Validate(v, Schema()["$defs"][command], command, faults);
  return faults;
}

}  // namespace

// The validator itself catches what the test relies on it to catch.
TEST(CliJsonContract, TheValidatorRefusesWhatTheSchemaForbids) {
  EXPECT_TRUE(Faults("chart", R"({"chart_kind":1,"width_px":700,"height_px":400,"series":[],"messages":[]})").empty());
  EXPECT_FALSE(Faults("chart", R"({"chart_kind":1,"width":700,"height_px":400,"series":[],"messages":[]})").empty());
  EXPECT_FALSE(Faults("chart", R"({"chart_kind":"1","width_px":700,"height_px":400,"series":[],"messages":[]})").empty());
  EXPECT_FALSE(Faults("run", R"({"outcome":"finished","min_voltage_v":[1,2],"messages":[]})").empty());
  EXPECT_FALSE(Faults("run", R"({"outcome":"done","messages":[]})").empty());
  EXPECT_FALSE(Faults("run", R"({"outcome":"finished","messages":[{"kind":"note","text":""}]})").empty());
  EXPECT_TRUE(Faults("pps-search", R"({"outcome":"finished","messages":[],"best":null})").empty());
  EXPECT_FALSE(Faults("pps-search", R"({"outcome":"finished","messages":[],"best":{"pps1":1}})").empty());
}

// A key means one thing: wherever it appears in the schema it has one type.
TEST(CliJsonContract, EveryKeyHasOneTypeInEveryCommand) {
  std::map<std::string, std::set<std::string>> types;
  std::function<void(const json&)> walk = [&](const json& node) {
    if (node.is_object()) {
      if (node.contains("properties") && node["properties"].is_object())
        for (auto it = node["properties"].begin(); it != node["properties"].end(); ++it)
          if (it.value().contains("type")) {
            // A figure that may be absent from a run (null) is still of one type.
            json t = it.value()["type"].is_array() ? it.value()["type"] : json::array({it.value()["type"]});
            json kept = json::array();
            for (const json& x : t)
              if (x != "null") kept.push_back(x);
            types[it.key()].insert(kept.size() == 1 ? kept[0].dump() : kept.dump());
          }
      for (const auto& [k, v] : node.items()) walk(v);
    } else if (node.is_array()) {
      for (const json& v : node) walk(v);
    }
  };
  walk(Schema()["$defs"]);
  // Counted things are integers, places and figures numbers, names strings.
  for (const auto& [key, t] : types) {
    // A list in one command and a count in another, a schedule's number and
    // text in the mismatch, the best places of a search beside the best
    // scheme of a comparison: each documented where it stands.
    if (key == "runs" || key == "time_points" || key == "events" || key == "schedule" || key == "scheme" ||
        key == "run" || key == "best")
      continue;
    EXPECT_EQ(t.size(), 1u) << key;
  }
}

// Every command answers in the documented form, from a freshly seeded
// working directory: its runs, its refusals and its studies.
TEST(CliJsonContract, EveryCommandAnswersAsDocumented) {
  tpstest::TempDir t;
  const fs::path w = t.Path() / "w";
  const std::string examples = std::string(TPS_SOURCE_DIR) + "/docs/examples/";
  struct Case {
    std::string command, args;
    int code;
  };
  const std::vector<Case> cases = {
      {"seed", "seed", 0},
      {"fields", "fields --scheme 8", 0},
      {"schemes", "schemes", 0},
      {"solve", "solve --scheme 2 --train 1:5:1000", 0},
      {"solve", "solve --scheme 8 --train 1:5:300:100", 0},
      {"batch", "batch --scheme 2 --option vary-currents", 0},
      {"batch", "batch --scheme 9 --option no-charts", 0},
      {"run", "run --mode test --scheme 2 --train 1:5:1000", 0},
      {"run", "run --mode schedule --schedule file00.gdp", 0},
      {"run", "run --mode schedule --schedule file00.gdp --scheme 1", 2},
      {"run", "run --mode prob --scheme 3 --flow freight=2", 0},
      {"chart", "chart --kind 1", 0},
      {"schedule show", "schedule show file00.gdp", 0},
      {"schedule make", "schedule make '" + examples + "scheme2_trains.csv' --out two.gdp --scheme 2", 0},
      {"schedule make", std::string("schedule make '") + TPS_SOURCE_DIR + "/data/gdp/file00.csv' --out four.gdp --scheme 4", 0},
      {"schedule make", std::string("schedule make '") + TPS_SOURCE_DIR + "/data/gdp/file00.csv' --out five.gdp --scheme 5", 0},
      {"construct", "construct '" + examples + "scheme2_equivalent.json' --out eq.grf", 0},
      {"run", "run --mode constructor --graph eq.grf --schedule two.gdp", 0},
      {"psk-sweep", "psk-sweep --schedule four.gdp --from 8 --to 10 --jobs 2", 0},
      {"pps-search", "pps-search --schedule five.gdp --step 6 --jobs 2", 0},
      {"stats", "stats --runs 2 --period '1 час' --jobs 2", 0},
      {"report", "report --html r.html", 0},
      {"batch", "batch --scheme 3 --steps s.csv", 0},
      {"compare", "compare --schedule file00.gdp --schemes 3,4 --jobs 2", 0},
      {"report", "report --html c.html", 0},
      {"compare", "compare --runs 2 --seed 5 --period '1 час' --schemes 3,5 --jobs 2", 0},
      {"compare", "compare --schedule file00.gdp --schemes 7", 2},
  };
  for (const Case& c : cases) {
    const Answer a = Cli(w, c.args);
    EXPECT_EQ(a.code, c.code) << c.args << "\n" << a.err;
    for (const std::string& f : Faults(c.command, a.out)) ADD_FAILURE() << c.args << ": " << f;
  }
}

// A random run names its seed; given again it repeats the run exactly.
TEST(CliJsonContract, TheEchoedSeedRepeatsARandomRun) {
  tpstest::TempDir t;
  const fs::path w = t.Path() / "w";
  ASSERT_EQ(Cli(w, "seed").code, 0);
  const Answer first = Cli(w, "run --mode prob --scheme 3 --set StepMinutes=2");
  ASSERT_EQ(first.code, 0) << first.err;
  const json a = json::parse(first.out);
  ASSERT_TRUE(a["inputs"].contains("seed")) << first.out;
  EXPECT_EQ(a["inputs"]["set"], json({{"StepMinutes", "2"}}));
  EXPECT_EQ(a["inputs"]["scheme"], 3);
  const Answer again = Cli(w, "run --mode prob --scheme 3 --set StepMinutes=2 --seed " +
                                  std::to_string(a["inputs"]["seed"].get<uint32_t>()));
  ASSERT_EQ(again.code, 0) << again.err;
  const json b = json::parse(again.out);
  EXPECT_EQ(b["energy_loss_wh"], a["energy_loss_wh"]);
  EXPECT_EQ(b["trains_entered"], a["trains_entered"]);
  EXPECT_EQ(b["inputs"], a["inputs"]);
  // A run without chance names no seed.
  const json solve = json::parse(Cli(w, "solve --scheme 2 --train 1:5:1000").out);
  EXPECT_FALSE(solve["inputs"].contains("seed"));
}
