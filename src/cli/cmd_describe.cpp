// "fields" and "schemes": what the command line can be told, read from the
// program itself — the fields of the parameter block with their units,
// meanings, ranges and current values; the twelve feeding schemes with their
// current kind, tracks, posts and the schedules of the folder "gdp" that fit.
#include <algorithm>
#include <iomanip>
#include <sstream>
#include <string>

#include "circuit/schemes.h"
#include "cli/common.h"
#include "driver/runs.h"
#include "params/errors.h"
#include "params/persist.h"
#include "validation/physical.h"
#include "validation/schedule_checks.h"

namespace tps::cli {

namespace {

struct FieldInfo {
  const char* field;
  const char* unit;
  const char* meaning;
};

// Every field of the block, in the words of the window that edits it.
const FieldInfo kFieldInfo[] = {
    {"ZoneLength", "km", "length of the feeding zone (\"Длина зоны\")"},
    {"UaRe", "V", "voltage of substation A (ТП1), active part"},
    {"UaIm", "V", "voltage of substation A (ТП1), reactive part (AC)"},
    {"UbRe", "V", "voltage of substation B (ТП2), active part"},
    {"UbIm", "V", "voltage of substation B (ТП2), reactive part (AC)"},
    {"TrainActive", "A", "current of a train added by hand, active part"},
    {"TrainReactive", "A", "current of a train added by hand, reactive part (AC)"},
    {"TrainSpeed", "km/h", "speed of a train added by hand"},
    {"TrainKm", "km", "place of a train added by hand"},
    {"StepMinutes", "min", "time step of a run (\"Шаг\")"},
    {"BatchTrains", "", "trains in the batch launch"},
    {"BatchInterval", "min", "interval between the trains of the batch"},
    {"PskKm", "km", "place of the sectioning post ПСК"},
    {"Pps1Km", "km", "place of the parallel-connection post ППС1"},
    {"Pps2Km", "km", "place of the parallel-connection post ППС2"},
    {"TrainType", "", "type of a train added by hand"},
    {"ContactWireType", "", "contact wire type; --set takes its resistance and radius from the catalogue"},
    {"MessengerType", "", "messenger wire type; --set takes its resistance and radius from the catalogue"},
    {"FeederType", "", "reinforcing feeder type (\"Отсутствует\": none); from the catalogue"},
    {"ExtraWireType", "", "additional wire type (text only)"},
    {"RailType", "", "rail type; --set takes its resistance and radius from the catalogue"},
    {"ResultsPending", "", "the window's mark of results not yet looked at (0 or 1)"},
    {"EarthConductivity", "S/m", "conductivity of the earth (AC)"},
    {"ContactWireR", "Ohm/km", "resistance of the contact wire"},
    {"MessengerR", "Ohm/km", "resistance of the messenger wire"},
    {"FeederR", "Ohm/km", "resistance of the reinforcing feeder"},
    {"ExtraWireR", "Ohm/km", "resistance of the additional wire"},
    {"RailR", "Ohm/km", "resistance of the rails of a track"},
    {"ContactWireRadius", "cm", "radius of the contact wire (AC)"},
    {"MessengerRadius", "cm", "radius of the messenger wire (AC)"},
    {"FeederRadius", "cm", "radius of the reinforcing feeder (AC)"},
    {"ScreenWireRadius", "cm", "radius of the screening wire (AC)"},
    {"RailRadius", "cm", "equivalent radius of a rail (AC)"},
    {"RailGauge", "m", "distance between the rails (AC)"},
    {"MastToTrackAxis", "m", "distance from the mast to the track axis (AC)"},
    {"WireSpacing", "m", "distance between the wires (AC)"},
    {"FeederToMast", "m", "distance from the reinforcing feeder to the mast (AC)"},
    {"FeederToScreenWire", "m", "distance from the reinforcing feeder to the screening wire (AC)"},
    {"TrackSpacing", "m", "distance between the tracks (AC)"},
    {"ContactWireHeight", "m", "height of the contact wire (AC)"},
    {"AirTemperature", "°C", "air temperature (AC)"},
};

const FieldInfo* InfoOf(const std::string& field) {
  for (const FieldInfo& f : kFieldInfo)
    if (field == f.field) return &f;
  return nullptr;
}

// A text padded to `width` characters (UTF-8: a Cyrillic letter is one).
std::string Padded(const std::string& text, size_t width) {
  size_t chars = 0;
  for (unsigned char c : text) chars += (c & 0xC0) != 0x80;
  return text + std::string(chars < width ? width - chars : 1, ' ');
}

struct DescribeOptions {
  bool table = false;
};

// The scheme of "fields" without --scheme: DC, double track, fed from both ends.
constexpr int kDefaultFieldsScheme = 3;

int Fields(AppState& st, const Options& o, const DescribeOptions& d, std::ostream& out) {
  const int scheme = o.scheme == 0 ? kDefaultFieldsScheme : o.scheme;
  Prepare(st, scheme, o);
  Json fields = Json::array();
  for (const std::string& name : ParamFieldNames()) {
    const FieldInfo* info = InfoOf(name);
    std::string value;
    GetParamField(st.Params, name, value);
    fields.push_back({{"field", name},
                      {"unit", info ? info->unit : ""},
                      {"meaning", info ? info->meaning : ""},
                      {"range", StoredFieldRange(name)},
                      {"value", value}});
  }
  if (d.table) {
    out << "Fields of scheme " << scheme << " (" << VariantName(scheme) << "), as --set takes them:\n";
    for (const Json& f : fields) {
      std::ostringstream row;
      row << Padded(f["field"].get<std::string>(), 20) << Padded(f["unit"].get<std::string>(), 8)
          << Padded(f["value"].get<std::string>(), 14) << f["meaning"].get<std::string>();
      if (!f["range"].get<std::string>().empty()) row << "; " << f["range"].get<std::string>();
      out << row.str() << "\n";
    }
    return 0;
  }
  Json j;
  j["scheme"] = scheme;
  j["scheme_name"] = VariantName(scheme);
  j["fields"] = std::move(fields);
  Print(out, j);
  return 0;
}

int Schemes(AppState& st, CliHost& host, const DescribeOptions& d, std::ostream& out) {
  const std::vector<std::string> schedules = ListScheduleFiles(st);
  Json list = Json::array();
  for (int v = 1; v <= 12; ++v) {
    const SchemeFields f = FieldsForCode(SchemeCode(v));
    Json posts = Json::array();
    if (f.Psk) posts.push_back("ПСК");
    if (f.Pps1) posts.push_back("ППС1");
    if (f.Pps2) posts.push_back("ППС2");
    // A schedule fits when a run of the scheme's saved state takes it: the
    // same scheme, zone length and step, on a scheme the schedule mode runs.
    Options none;
    Prepare(st, v, none);
    st.RunMode = ModeSchedule;
    Json fit = Json::array();
    for (const std::string& name : schedules) {
      if (!ScheduleModeRefusal(v).empty()) break;
      try {
        if (CheckScheduleMatch(st, name, false) == 0) fit.push_back(name);
      } catch (const std::exception&) {
        // A damaged schedule fits no scheme; "schedule show" names its fault.
      }
    }
    list.push_back({{"scheme", v},
                    {"scheme_name", VariantName(v)},
                    {"code", SchemeCode(v)},
                    {"current", IsDcVariant(v) ? "dc" : "ac"},
                    {"tracks", IsSingleTrackVariant(v) ? 1 : 2},
                    {"posts", std::move(posts)},
                    {"schedules", std::move(fit)}});
  }
  host.messages.clear();
  if (d.table) {
    for (const Json& s : list) {
      out << std::setw(2) << s["scheme"].get<int>() << "  " << s["current"].get<std::string>() << "  "
          << s["tracks"].get<int>() << " track(s)  " << s["scheme_name"].get<std::string>();
      std::string posts, fit;
      for (const Json& p : s["posts"]) posts += (posts.empty() ? "" : ", ") + p.get<std::string>();
      for (const Json& p : s["schedules"]) fit += (fit.empty() ? "" : ", ") + p.get<std::string>();
      if (!posts.empty()) out << "; posts: " << posts;
      out << "; schedules: " << (fit.empty() ? "none" : fit) << "\n";
    }
    return 0;
  }
  Json j;
  j["schemes"] = std::move(list);
  Print(out, j);
  return 0;
}

}  // namespace

void RegisterDescribeCommands(Registry& r) {
  auto& d = r.Keep<DescribeOptions>();
  const Options& o = r.options;
  CLI::App* fields = r.app.add_subcommand(
      "fields", "every field of the parameter block: unit, meaning, allowed range, current value; print JSON");
  r.AddSchemeOptions(fields, false)->description("the scheme whose saved state gives the values (default 3)");
  fields->add_flag("--table", d.table, "a table for reading instead of JSON");
  fields->footer("example:\n  tpscalc-cli fields --scheme 8 --table");
  CLI::App* schemes = r.app.add_subcommand(
      "schemes",
      "the twelve feeding schemes: number, name, current kind, tracks, posts, the schedules of gdp that fit");
  schemes->add_flag("--table", d.table, "a table for reading instead of JSON");
  schemes->footer("example:\n  tpscalc-cli schemes --table");
  r.AddCommand(
      fields, [&o, &d](AppState& st, CliHost&, std::ostream& out, std::ostream&) { return Fields(st, o, d, out); },
      Access::Reads);
  r.AddCommand(
      schemes,
      [&d](AppState& st, CliHost& host, std::ostream& out, std::ostream&) { return Schemes(st, host, d, out); },
      Access::Reads);
}

}  // namespace tps::cli
