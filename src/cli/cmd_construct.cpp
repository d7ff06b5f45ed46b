// "construct": a user circuit of the scheme constructor built from its JSON
// description as the wizard builds it, saved as a graph of the folder
// "graff"; and "run --mode constructor": a schedule run of such a graph.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "circuit/constructor.h"
#include "cli/common.h"
#include "driver/constructor_run.h"
#include "driver/runs.h"
#include "params/conv.h"
#include "params/errors.h"
#include "params/fileio.h"
#include "traffic/schedule.h"
#include "validation/checks.h"
#include "validation/schedule_checks.h"

namespace tps::cli {

namespace {

struct ConstructOptions {
  std::string circuit, out, graph;
};

// A graph of the folder "graff", given by its name.
std::string GraphPath(const std::string& name, const char* option) {
  if (name.empty() || name.find('/') != std::string::npos || name.find('\\') != std::string::npos ||
      name == "." || name == "..")
    throw UsageError(std::string(option) +
                     ": a graph is a file of the folder graff, given by its name: " + name);
  const std::string lower = LowerName(name);
  if (lower.size() < 5 || lower.compare(lower.size() - 4, 4, ".grf") != 0)
    throw UsageError(std::string(option) + ": a graph file is named *.grf: " + name);
  return "graff\\" + name;
}

// A circuit description is small: a few dozen chains, connections and rows
// nested three levels deep. Beyond these bounds the text is refused before it
// is parsed, so that no description can exhaust the stack or the memory.
constexpr size_t kMaxDescriptionBytes = size_t(1) << 20;
constexpr int kMaxDescriptionDepth = 16;

// The deepest nesting of arrays and objects in a JSON text (strings skipped).
int NestingDepth(const std::string& text) {
  int depth = 0, deepest = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
      if (deepest > kMaxDescriptionDepth) return deepest;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

// The member `key` of an item of the description, of the type asked for,
// else the default; a member of another type is refused naming the key.
std::string TextMember(const Json& item, const char* key, const std::string& fallback, const std::string& what) {
  if (!item.contains(key)) return fallback;
  if (!item[key].is_string()) throw UsageError(what + ": \"" + key + "\" is a text");
  return item[key].get<std::string>();
}

bool FlagMember(const Json& item, const char* key, bool fallback, const std::string& what) {
  if (!item.contains(key)) return fallback;
  if (!item[key].is_boolean()) throw UsageError(what + ": \"" + key + "\" is true or false");
  return item[key].get<bool>();
}

// An item of a list of the description: an object.
const Json& Item(const Json& item, const std::string& what) {
  if (!item.is_object()) throw UsageError(what + ": an object {...} is expected");
  return item;
}

// A value of the description as the text typed into a field: a number in
// the program's own form, or a text as it stands.
std::string FieldText(const Json& v, const std::string& what) {
  if (v.is_number()) return FloatToStr(v.get<double>());
  if (v.is_string()) return v.get<std::string>();
  throw UsageError(what + ": a number is expected");
}

std::string Name(const Json& item, const char* key, const std::string& what) {
  if (!item.contains(key) || !item[key].is_string())
    throw UsageError(what + ": \"" + key + "\" names a chain");
  return item[key].get<std::string>();
}

Json Member(const Json& item, const char* key, const std::string& what) {
  if (!item.contains(key)) throw UsageError(what + ": \"" + key + "\" is missing");
  return item[key];
}

// [re, im] of a source voltage.
std::pair<std::string, std::string> Voltage(const Json& item, const char* key, const std::string& what) {
  const Json v = Member(item, key, what);
  if (!v.is_array() || v.size() != 2) throw UsageError(what + ": \"" + key + "\" is [re, im]");
  return {FieldText(v[0], what + " " + key), FieldText(v[1], what + " " + key)};
}

const Json& List(const Json& d, const char* key) {
  static const Json kEmpty = Json::array();
  if (!d.contains(key)) return kEmpty;
  if (!d[key].is_array()) throw UsageError(std::string("\"") + key + "\" is a list");
  return d[key];
}

// The keys an item of the description may hold, and those it must hold: a
// key misspelt is refused with the nearest one, rather than left for a hidden
// default ("Ua" for "ua" built 3300 V, "resistance" for "r" a chain of 0 Ohm).
void CheckKeys(const Json& item, const std::string& what, const std::vector<std::string>& known) {
  std::vector<std::string> quoted;
  for (const std::string& k : known) quoted.push_back("\"" + k + "\"");
  for (auto it = item.begin(); it != item.end(); ++it)
    if (std::find(known.begin(), known.end(), it.key()) == known.end())
      throw UsageError(what + ": unknown key \"" + it.key() + "\"" + DidYouMean("\"" + it.key() + "\"", quoted) +
                       " (the keys: " + [&] {
                         std::string list;
                         for (const std::string& q : quoted) list += (list.empty() ? "" : ", ") + q;
                         return list;
                       }() + ")");
}

void Require(const Json& item, const std::string& what, const std::vector<std::string>& required) {
  for (const std::string& k : required)
    if (!item.contains(k)) throw UsageError(what + ": \"" + k + "\" is missing");
}

bool IsZeroText(const std::string& t) {
  double v = 1;
  return TryStrToFloat(t, v) && v == 0;
}

// The wizard, step by step, on the description; false when a step refused
// (its message kept by the host).
bool Compose(AppState& st, const Json& d) {
  CheckKeys(d, "the description", {"current", "console", "chains", "mutual", "connections", "rows", "charts"});
  const std::string current = TextMember(d, "current", "dc", "the description");
  if (current != "dc" && current != "ac") throw UsageError("\"current\" is \"dc\" or \"ac\"");
  const bool ac = current == "ac";
  const bool console = FlagMember(d, "console", false, "the description");
  Require(d, "the description", {"current", "chains"});
  RestartConstructor(st);
  ChooseCurrentKind(st, ac, console);

  int k = 0;
  for (const Json& chain : List(d, "chains")) {
    const std::string what = "chain " + std::to_string(++k);
    const Json& c = Item(chain, what);
    CheckKeys(c, what, {"kind", "passive", "r", "x", "ua", "ub"});
    ChainInput in;
    in.Kind = TextMember(c, "kind", "КП+НТ+РЛ", what);
    in.Passive = FlagMember(c, "passive", false, what);
    // An active chain is fed by its sources: their voltages are typed, never assumed.
    std::vector<std::string> required = {"kind", "r"};
    if (ac) required.push_back("x");
    if (!in.Passive) required.push_back("ua");
    if (!in.Passive && !console) required.push_back("ub");
    Require(c, what, required);
    if (in.Passive) in.UaRe = in.UaIm = in.UbRe = in.UbIm = "0";
    in.R = FieldText(c.value("r", Json(0)), what + " r");
    in.X = FieldText(c.value("x", Json(0)), what + " x");
    std::tie(in.UaRe, in.UaIm) = c.contains("ua") ? Voltage(c, "ua", what) : std::pair{in.UaRe, in.UaIm};
    std::tie(in.UbRe, in.UbIm) = c.contains("ub") ? Voltage(c, "ub", what) : std::pair{in.UbRe, in.UbIm};
    if (!ac) {
      if (c.contains("ua") || c.contains("ub") || c.contains("x"))
        if (!IsZeroText(in.UaIm) || !IsZeroText(in.UbIm) || !IsZeroText(in.X))
          throw UsageError(what + ": on direct current a chain has no reactive part (x, ua[1], ub[1] are 0)");
      in.X = in.UaIm = in.UbIm = "0";
    }
    if (console) {
      if (c.contains("ub") && (!IsZeroText(in.UbRe) || !IsZeroText(in.UbIm)))
        throw UsageError(what +
                         ": fed from substation A only (\"console\"), a chain has no source B voltage");
      in.UbRe = in.UbIm = "0";
    }
    if (!AddChain(st, in)) return false;
  }
  WizardNext(st);  // the mutual impedances in AC, the connections in DC

  const Json& mutual = List(d, "mutual");
  if (!mutual.empty() && !ac)
    throw UsageError("\"mutual\": mutual impedances are given on alternating current only");
  k = 0;
  for (const Json& item : mutual) {
    const std::string what = "mutual " + std::to_string(++k);
    const Json& m = Item(item, what);
    CheckKeys(m, what, {"a", "b", "r", "x"});
    Require(m, what, {"a", "b", "r", "x"});
    if (!AddMutual(st, Name(m, "a", what), Name(m, "b", what), FieldText(m.value("r", Json(0)), what + " r"),
                   FieldText(m.value("x", Json(0)), what + " x")))
      return false;
  }
  if (Constructor(st).WizardStep == 2) WizardNext(st);

  k = 0;
  for (const Json& item : List(d, "connections")) {
    const std::string what = "connection " + std::to_string(++k);
    const Json& c = Item(item, what);
    CheckKeys(c, what, {"a", "b", "km"});
    Require(c, what, {"a", "b", "km"});
    if (!AddSingleConnection(st, Name(c, "a", what), Name(c, "b", what),
                             FieldText(Member(c, "km", what), what)))
      return false;
  }
  WizardNext(st);

  k = 0;
  for (const Json& item : List(d, "rows")) {
    const std::string what = "row " + std::to_string(++k);
    const Json& r = Item(item, what);
    std::vector<std::string> rowKeys = {"a", "b", "from", "to", "step", "r"};
    if (ac) rowKeys.push_back("x");
    CheckKeys(r, what, {"a", "b", "from", "to", "step", "r", "x"});
    Require(r, what, rowKeys);
    ConnectionRowInput in;
    in.From = FieldText(Member(r, "from", what), what + " from");
    in.To = FieldText(Member(r, "to", what), what + " to");
    in.Step = FieldText(Member(r, "step", what), what + " step");
    in.R = FieldText(r.value("r", Json(0)), what + " r");
    in.X = FieldText(r.value("x", Json(0)), what + " x");
    if (!AddConnectionRow(st, Name(r, "a", what), Name(r, "b", what), in)) return false;
  }
  WizardNext(st);

  ConstructorSession& s = Constructor(st);
  const Json& charts = List(d, "charts");
  if (charts.size() > 4) throw UsageError("\"charts\" holds at most the four choices F1..F4");
  for (size_t i = 0; i < charts.size(); ++i) {
    if (!charts[i].is_string()) throw UsageError("\"charts\": each choice is a text");
    s.Charts[i] = charts[i].get<std::string>();
  }
  const std::vector<std::string> items = s.ChartItems();
  const std::vector<std::string> lists[4] = {items, items, items, items};
  if (CheckChartCircles(st, s.Charts, lists) != 0) return false;
  if (s.Template.CircleCount == 0) throw UsageError("\"chains\": the circuit has no chain");
  return true;
}

int Construct(AppState& st, CliHost& host, const Options& o, const ConstructOptions& co, std::ostream& out,
              std::ostream& err) {
  namespace fs = std::filesystem;
  const std::string path = GraphPath(co.out, "--out");
  const fs::path file = fs::absolute(fs::path(co.circuit));
  // The description is UTF-8, as an editor on Linux saves it.
  Bytes bytes;
  try {
    bytes = ReadFileBytes(WorkDir(file.parent_path()), file.filename().string(), kMaxDescriptionBytes);
  } catch (const IoError& e) {
    throw UsageError(co.circuit + ": " + e.what());
  }
  std::string text(bytes.begin(), bytes.end());
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  if (FirstInvalidUtf8(text) != std::string_view::npos)
    throw UsageError(co.circuit + ": the text is not UTF-8");
  if (NestingDepth(text) > kMaxDescriptionDepth)
    throw UsageError(co.circuit + ": not a circuit description: nested deeper than " +
                     std::to_string(kMaxDescriptionDepth) + " levels");
  Json d;
  try {
    d = Json::parse(text);
  } catch (const Json::exception& e) {
    throw UsageError(co.circuit + ": not a circuit description: " + e.what());
  }
  if (!d.is_object()) throw UsageError(co.circuit + ": the description is a JSON object");
  Prepare(st, TextMember(d, "current", "dc", co.circuit) == "ac" ? 8 : 2, o);
  st.RunMode = ModeConstructor;
  Json j;
  j["file"] = path;
  try {
    if (!Compose(st, d)) return Refused(j, host, out, err);
  } catch (const Json::exception& e) {
    throw UsageError(co.circuit + ": " + e.what());
  }
  SaveConstructorGraph(st, path);
  const ConstructorSession& s = Constructor(st);
  j["charts_file"] = ChartChoicesPath(path);
  j["chains"] = s.ChainLines;
  j["mutual"] = s.MutualLines;
  j["connections"] = s.ConnectionLines;
  j["rows"] = s.RowLines;
  j["charts"] = std::vector<std::string>(std::begin(s.Charts), std::end(s.Charts));
  j["messages"] = Messages(host);
  Print(out, j);
  return 0;
}

// "Старт иммитации" of the constructor on a graph of "graff" and a schedule
// of "gdp", then "Смотреть результаты".
int RunConstructor(AppState& st, CliHost& host, const Options& o, const ConstructOptions& co,
                   const std::string& schedule, std::ostream& out, std::ostream& err) {
  const std::string graph = GraphPath(co.graph, "--graph");
  const std::string name = ScheduleListName(st.Work, schedule);
  Json j;
  j["schedule"] = SchedulePath(name);
  j["graph"] = graph;
  TGDPClass g;
  RunOutcome read = RunAsCommand(host, [&] {
    g.LoadFromFile(st.Work, SchedulePath(name));
    return RunOutcome::Finished;
  });
  if (read != RunOutcome::Finished) return ReportRun(st, host, read, 0, 0, j, out, err);
  Prepare(st, WithF2F4(SchemeOfSchedule(o, g, schedule), o), o);
  st.RunMode = ModeConstructor;
  ApplyRunOptions(st, o);
  j["inputs"] = Inputs(st, host, o, DrawsRandom(st, o), SchedulePath(name));
  return ReportScheduleRun(st, host, g, j, out, err, [&] {
    LoadProbTrainParams(st);
    LoadConstructorGraph(st, graph);
    return StartConstructorRun(st, name);
  });
}

}  // namespace

void RegisterConstructCommands(Registry& r) {
  ConstructOptions& co = r.Keep<ConstructOptions>();
  const Options& o = r.options;
  CLI::App* construct = r.app.add_subcommand(
      "construct", "build a user circuit of the scheme constructor from its JSON description (graff\\*.grf)");
  construct->add_option("CIRCUIT", co.circuit, "the description of the circuit, JSON")
      ->type_name("CIRCUIT.json")
      ->required();
  construct->add_option("--out", co.out, "the graph file, a name in the folder graff")
      ->type_name("FILE.grf")
      ->required();
  construct->add_option("--set", r.options.sets, "a field of the parameter block (ZoneLength=...)")
      ->type_name("FIELD=TEXT")
      ->allow_extra_args(false);
  construct->footer(
      "example:\n  tpscalc-cli construct docs/examples/scheme2_equivalent.json --out eq.grf\n"
      "The keys of the description with units and defaults: docs/cli-json.md.");
  r.AddCommand(construct, [&o, &co](AppState& st, CliHost& host, std::ostream& out, std::ostream& err) {
    return Construct(st, host, o, co, out, err);
  });

  CLI::App* run = r.run;
  run->add_option("--graph", co.graph, "--mode constructor: a graph of the folder graff, by name")
      ->type_name("FILE.grf");
  r.AddRunMode(
      "constructor", [&o, &co, run](AppState& st, CliHost& host, std::ostream& out, std::ostream& err) {
        CLI::Option* schedule = run->get_option_no_throw("--schedule");
        const std::string file = schedule && schedule->count() > 0 ? schedule->as<std::string>() : "";
        if (co.graph.empty() || file.empty())
          throw UsageError("--mode constructor takes --graph FILE.grf and --schedule FILE");
        return RunConstructor(st, host, o, co, file, out, err);
      });
}

}  // namespace tps::cli
