// The loader drivers: the state files, the conductor defaults, the train
// parameters of the probabilistic method, the conductor catalogues, the
// current profiles, the user circuit graphs, the loss series, the chart
// data of the last run and the train schedules.
#include "loaders.h"

#include <cstddef>
#include <cstring>
#include <map>
#include <typeinfo>

#include "charts/chart.h"
#include "circuit/graph.h"
#include "circuit/numbering.h"
#include "circuit/schemes.h"
#include "driver/runs.h"
#include "driver/seed.h"
#include "driver/testrun.h"
#include "params/chartfile.h"
#include "params/defaults.h"
#include "params/errors.h"
#include "params/persist.h"
#include "params/state.h"
#include "params/trains.h"
#include "solver/report.h"
#include "solver/solve.h"
#include "traffic/schedule.h"
#include "validation/checks.h"

namespace tpsfuzz {

using namespace tps;

namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw Finding{what};
}

// A choice made from the input itself, so that the CTest campaigns and the
// libFuzzer targets drive the same input the same way.
uint64_t InputHash(const Bytes& b) {
  uint64_t h = 1469598103934665603ull ^ b.size();
  for (size_t k = 0; k < b.size() && k < 64; ++k) h = (h ^ b[k]) * 1099511628211ull;
  return h;
}

template <class T>
void PutRaw(std::string& s, const T& v) {
  s.append(reinterpret_cast<const char*>(&v), sizeof v);
}

// Everything a loader could touch, as bytes: a refusal must leave it as it was.
std::string StateImage(const AppState& st) {
  std::string s;
  PutRaw(s, st.Params);
  PutRaw(s, st.SchemeVariant);
  PutRaw(s, st.StepCount);
  for (const auto* t : {&st.Catalogue.ContactWireTable, &st.Catalogue.MessengerTable,
                        &st.Catalogue.FeederTable, &st.Catalogue.RailTable}) {
    PutRaw(s, t->size());
    for (const TConductorEntry& e : *t) PutRaw(s, e);
  }
  for (const auto* v : {&st.Trains.Trains1, &st.Trains.Trains2}) {
    PutRaw(s, v->size());
    for (const elvoz& t : *v) {
      PutRaw(s, t.Number);
      PutRaw(s, t.Current);
      PutRaw(s, t.Km);
      PutRaw(s, t.Speed);
      PutRaw(s, t.Kind);
      PutRaw(s, t.Profile.PointCount);
      PutRaw(s, t.Profile.ProfileKm.size());
    }
  }
  PutRaw(s, st.Trains.TrainSlots1);
  PutRaw(s, st.Trains.TrainSlots2);
  PutRaw(s, st.LossSeries.Step);
  PutRaw(s, st.LossSeries.LastIndex);
  PutRaw(s, st.LossSeries.MaxLoss);
  PutRaw(s, st.LossSeries.Losses.size());
  return s;
}

// The command boundary: the program's typed errors end a command with the
// error box and are a correct answer to a damaged file.
template <class F>
void AsCommand(F&& f) {
  try {
    f();
  } catch (const IoError&) {
  } catch (const ConvertError&) {
  } catch (const SingularError&) {
  } catch (const NonFiniteError&) {
  }
}

// The shipped state of a scheme code, parsed once.
const TParamBlock& ShippedState(int code) {
  static std::map<int, TParamBlock> cache;
  auto it = cache.find(code);
  if (it == cache.end()) it = cache.emplace(code, DefaultState(code)).first;
  return it->second;
}

// A fresh state in this working directory for the scheme variant, its
// Params the shipped state of the scheme code.
struct Session {
  RecordingHost host;
  AppState st;
  Session(const WorkDir& wd, int variant) {
    st.Work = wd;
    st.Host = &host;
    st.ShowPictures = false;
    st.Scheme = SchemeControlsForVariant(variant);
    UpdateSchemeVariant(st);
    st.Params = ShippedState(SchemeCode(variant));
  }
};

int VariantOf(const Bytes& input) {
  return 1 + static_cast<int>(InputHash(input) % 12);
}

// What the windows do with a freshly loaded parameter block: show every
// field, save it and read it back (the same 400 bytes), then add a train on
// each track and solve one step with them.
void UseParams(AppState& st) {
  (void)ShowSchemeCaption(st);
  const int code = SchemeCode(st.SchemeVariant);
  TParamBlock shown = st.Params;
  ApplyFormRules(shown);
  const Bytes saved = ParamsToBytes(shown);
  SaveState(st, code);
  if (!LoadState(st, code)) Fail("the state just saved is missing");
  if (std::memcmp(&st.Params, saved.data(), saved.size()) != 0)
    Fail("the state saved and read again differs from the block");
  AsCommand([&] {
    const bool first = AddTrainButton(st, 1);
    const bool second = AddTrainButton(st, 2);
    if ((first || second) && BuildStepCircuit(st)) SolveStep(st);
  });
}

// Calls a loader; a refusal must leave the state as `expected` (by default
// as it was before the call).
template <class F>
bool LoadsOrRefuses(AppState& st, F&& load, const std::string* expected = nullptr) {
  const std::string before = expected ? *expected : StateImage(st);
  try {
    load();
    return true;
  } catch (const IoError&) {
  } catch (const ConvertError&) {
  }
  if (StateImage(st) != before) Fail("the loader refused the file but changed the state");
  return false;
}

std::vector<Bytes> ReadSeeds(const WorkDir& wd, std::initializer_list<const char*> names) {
  std::vector<Bytes> v;
  for (const char* n : names) v.push_back(ReadFileBytes(wd, n));
  return v;
}

// ---------------------------------------------------------------- state files

class StateDriver : public LoaderDriver {
 public:
  StateDriver() {
    SeedDefaultData(Work());
    seeds_ = ReadSeeds(
        Work(), {"SAVES\\state_11.smt", "SAVES\\state_16.smt", "SAVES\\state_22.smt", "SAVES\\state_29.smt"});
  }
  const char* Name() const override { return "state"; }
  FileForm Form() const override { return FileForm::Binary; }
  Outcome Run(const Bytes& input) override {
    Session s(Work(), VariantOf(input));
    const int code = SchemeCode(s.st.SchemeVariant);
    WriteFileBytes(Work(), StateFileName(code), input);
    bool read = false;
    if (!LoadsOrRefuses(s.st, [&] { read = LoadState(s.st, code); })) return Outcome::Refused;
    if (!read) Fail("the state file written was not found");
    UseParams(s.st);
    return Outcome::Loaded;
  }
};

// ---------------------------------------------------------------- DATA\global.dmt

class GlobalDriver : public LoaderDriver {
 public:
  GlobalDriver() {
    // The file as the program writes it at its first start.
    {
      Session s(Work(), 1);
      LoadGlobalFile(s.st);
    }
    seeds_ = ReadSeeds(Work(), {"DATA\\global.dmt"});
    // And the conductor part of a saved AC state, as a user's defaults.
    const Bytes ac = ParamsToBytes(DefaultState(29));
    seeds_.emplace_back(ac.begin() + 184, ac.end());
    SeedDefaultData(Work());
  }
  const char* Name() const override { return "global"; }
  FileForm Form() const override { return FileForm::Binary; }
  Outcome Run(const Bytes& input) override {
    Session s(Work(), VariantOf(input));
    WriteFileBytes(Work(), "DATA\\global.dmt", input);
    if (!LoadsOrRefuses(s.st, [&] { LoadGlobalFile(s.st); })) return Outcome::Refused;
    UseParams(s.st);
    return Outcome::Loaded;
  }
};

// ---------------------------------------------------------------- data\prelvoz.dmt

class ProbDriver : public LoaderDriver {
 public:
  ProbDriver() {
    SeedDefaultData(Work());
    seeds_ = ReadSeeds(Work(), {"data\\prelvoz.dmt"});
    Session s(Work(), 1);
    TProbTrainRecord r = ReadProbTrainRecord(s.st);
    r.Entry[1].Count = 0;
    r.Entry[2].SpeedMax = 0.5;
    WriteProbTrainRecord(s.st, r);
    seeds_.push_back(ReadFileBytes(Work(), "data\\prelvoz.dmt"));
  }
  const char* Name() const override { return "prelvoz"; }
  FileForm Form() const override { return FileForm::Binary; }
  Outcome Run(const Bytes& input) override {
    Session s(Work(), 1);
    WriteFileBytes(Work(), "data\\prelvoz.dmt", input);
    TProbTrainRecord r;
    if (!LoadsOrRefuses(s.st, [&] { r = ReadProbTrainRecord(s.st); })) return Outcome::Refused;
    // The window shows every figure; written again, the record reads back bit for bit.
    for (const TProbTrainEntry& e : r.Entry)
      for (double x : {e.ActiveMin, e.ReactiveMin, e.ActiveMax, e.ReactiveMax, e.SpeedMin, e.SpeedMax})
        (void)FloatToStr(x);
    WriteProbTrainRecord(s.st, r);
    const TProbTrainRecord back = ReadProbTrainRecord(s.st);
    for (int k = 0; k < 4; ++k) {
      const TProbTrainEntry &a = r.Entry[k], &b = back.Entry[k];
      const double x[] = {a.ActiveMin, a.ReactiveMin, a.ActiveMax, a.ReactiveMax, a.SpeedMin, a.SpeedMax};
      const double y[] = {b.ActiveMin, b.ReactiveMin, b.ActiveMax, b.ReactiveMax, b.SpeedMin, b.SpeedMax};
      if (std::memcmp(x, y, sizeof x) != 0 || a.Count != b.Count)
        Fail("entry " + std::to_string(k) + " written and read again differs");
    }
    return Outcome::Loaded;
  }
};

// ---------------------------------------------------------------- conductor catalogues

// The list of a table file: contact wire, messenger, feeder, rail.
std::vector<TConductorEntry>& KindTable(ConductorTables& t, int kind) {
  switch (kind) {
    case 0:
      return t.ContactWireTable;
    case 1:
      return t.MessengerTable;
    case 2:
      return t.FeederTable;
    default:
      return t.RailTable;
  }
}

class CatalogueDriver : public LoaderDriver {
 public:
  CatalogueDriver() {
    SeedDefaultData(Work());
    for (int i = 0; i < 8; ++i) seeds_.push_back(ReadFileBytes(Work(), TableFileName(i)));
    for (int code : {21, 11}) {
      Session s(Work(), 1);
      LoadConductorTables(s.st, code);
      good_[code] = s.st.Catalogue;
    }
  }
  const char* Name() const override { return "catalogue"; }
  FileForm Form() const override { return FileForm::Binary; }
  Outcome Run(const Bytes& input) override {
    const int index = static_cast<int>(InputHash(input) % 8);
    const int code = index < 4 ? 21 : 11;
    WriteFileBytes(Work(), TableFileName(index), input);
    struct Restore {
      const CatalogueDriver& d;
      int index;
      ~Restore() { WriteFileBytes(d.Work(), TableFileName(index), d.seeds_[static_cast<size_t>(index)]); }
    } restore{*this, index};

    // The catalogue window's "Загрузить".
    Session w(Work(), index < 4 ? 7 : 1);
    std::vector<CatalogueRow> rows;
    const bool windowLoaded = LoadsOrRefuses(w.st, [&] { rows = ReadTableFile(w.st, index); });

    // The traction-network lists of the zone's current kind, loaded over the
    // tables of the four undamaged files. A refused table file ends the load
    // as the lists stand: the kinds before it loaded, its own list emptied,
    // the kinds after it untouched; nothing else may change.
    Session s(Work(), index < 4 ? 7 : 1);
    s.st.Catalogue = good_.at(code);
    std::string expected;
    {
      AppState after;
      after.Params = s.st.Params;
      after.SchemeVariant = s.st.SchemeVariant;
      after.Catalogue = s.st.Catalogue;
      KindTable(after.Catalogue, index % 4).clear();
      expected = StateImage(after);
    }
    const bool listsLoaded = LoadsOrRefuses(
        s.st, [&] { LoadConductorTables(s.st, code); }, &expected);
    if (windowLoaded != listsLoaded)
      Fail(std::string("the catalogue window ") + (windowLoaded ? "loaded" : "refused") +
           " the table the traction-network lists " + (listsLoaded ? "loaded" : "refused"));
    if (!listsLoaded) return Outcome::Refused;

    // Choosing every entry of every list.
    for (ConductorKind k :
         {ConductorKind::ContactWire, ConductorKind::Messenger, ConductorKind::Feeder, ConductorKind::Rail}) {
      const ConductorTables& t = s.st.Catalogue;
      const size_t n = k == ConductorKind::ContactWire ? t.ContactWireTable.size()
                       : k == ConductorKind::Messenger ? t.MessengerTable.size()
                       : k == ConductorKind::Feeder    ? t.FeederTable.size()
                                                       : t.RailTable.size();
      for (size_t i = 0; i < n; ++i) (void)ChooseConductor(s.st, k, static_cast<int>(i));
    }
    (void)ShowSchemeCaption(s.st);
    // The window's "Сохранить" of the rows as shown; what it writes reads back
    // as the same rows.
    if (WriteTableFile(w.st, index, rows)) {
      std::vector<CatalogueRow> again = ReadTableFile(w.st, index);
      bool same = again.size() == rows.size();
      for (size_t i = 0; same && i < rows.size(); ++i)
        same = again[i].Name == rows[i].Name && again[i].R == rows[i].R && again[i].Radius == rows[i].Radius;
      if (!same) Fail("the catalogue saved from the window reads back different rows");
    }
    return Outcome::Loaded;
  }

 private:
  std::map<int, ConductorTables> good_;
};

// ---------------------------------------------------------------- current profiles

class ProfileDriver : public LoaderDriver {
 public:
  ProfileDriver() {
    SeedDefaultData(Work());
    seeds_ = ReadSeeds(Work(), {"CurData\\ptF_1_post.cmt", "CurData\\ptE_2_perem.cmt",
                                "CurData\\ptS_1_perem.cmt", "CurData\\ptP_2_post.cmt"});
  }
  const char* Name() const override { return "profile"; }
  FileForm Form() const override { return FileForm::Text; }
  Outcome Run(const Bytes& input) override {
    const uint64_t h = InputHash(input);
    const int variant = h % 2 ? 3 : 9;  // DC or AC double track
    const int track = 1 + static_cast<int>((h >> 8) % 2);
    const uint8_t kind = static_cast<uint8_t>((h >> 16) % 4);
    Session s(Work(), variant);
    AppState& st = s.st;
    st.VaryTrainCurrents = true;
    st.Params.TrainType.Set(KindName(kind));
    st.Params.TrainKm.Set(track == 1 ? "0" : st.Params.ZoneLength.Get());
    WriteFileBytes(Work(), "CurData\\" + ProfileFileName(kind, track, IsDcVariant(variant)), input);
    if (!LoadsOrRefuses(st, [&] { AddTrain(st, track); })) return Outcome::Refused;
    const std::vector<elvoz>& v = track == 1 ? st.Trains.Trains1 : st.Trains.Trains2;
    if (v.size() != 1) Fail("the profile loaded but no train was added");
    // The current of the profile everywhere a train can stand, and a run of
    // a few steps with it.
    const TCurrentData& p = v.front().Profile;
    if (p.PointCount <= 0 || static_cast<size_t>(p.PointCount) != p.ProfileKm.size())
      Fail("the loaded profile counts " + std::to_string(p.PointCount) + " points and holds " +
           std::to_string(p.ProfileKm.size()));
    for (double x : {-1.0, 0.0, 0.5, 7.25, 30.0, 1e9}) (void)ProfileCurrentAt(p, x);
    for (size_t i = 0; i < p.ProfileKm.size() && i < 64; ++i) (void)ProfileCurrentAt(p, p.ProfileKm[i]);
    AsCommand([&] {
      for (int step = 0; step < 3; ++step) {
        if (BuildStepCircuit(st)) SolveStep(st);
        AdvanceTrains(st, 1);
      }
    });
    return Outcome::Loaded;
  }
};

// ---------------------------------------------------------------- user circuit graphs

TParamBlock AcZone() {
  TParamBlock p;
  p.ZoneLength = "24";
  p.UaRe = "27500";
  p.UaIm = "-300";
  p.UbRe = "27400";
  p.UbIm = "н/и";
  return p;
}

// A graph with every kind of record: coupled circles, a contact wire with its
// rails, posts, a row of links, trains with rail returns.
Bytes FullGraph() {
  TGraff g;
  const TParamBlock p = AcZone();
  AddCircle(g, 0, p);
  AddCircle(g, 0, p);
  const int kp = AddCircle(g, 1, p);
  const int rl = AddCircle(g, 6, p);
  SetMutualGroup(g, {0, 1});
  SetMutualImpedance(g, 0, 1, {0.05, 0.3});
  for (auto& c : g.Circles) {
    c->Branches[2]->ZPerKm = {0.1, 0.42};
    c->Branches[2]->Z = CMul(c->Branches[2]->ZPerKm, CFromReal(c->Branches[2]->Length));
  }
  AddConnection(g, 0, 1, 11.5, 11.5, {0.001, 0});
  AddConnectionRange(g, kp, rl, {0.02, 0}, 6, 20, 2);
  g.ReturnNodes.push_back(nullptr);
  InsertLoad(g, kp, {300, 90}, 7.3);
  InsertLoad(g, 0, {500, 200}, 3);
  InsertLoad(g, 1, {250, 100}, 19.25);
  Number(g);
  return GraphToBytes(g);
}

// A single contact wire with one train, as a first user scheme.
Bytes SmallGraph() {
  TGraff g;
  TParamBlock p = AcZone();
  p.ZoneLength = "10";
  const int c = AddCircle(g, 3, p);
  g.Circles[0]->Branches[2]->ZPerKm = {0.2, 0};
  g.Circles[0]->Branches[2]->Z = {2, 0};
  InsertLoad(g, c, {400, 0}, 4);
  Number(g);
  return GraphToBytes(g);
}

// Everything a caller may do with a loaded graph.
void UseLoadedGraph(TGraff& g, const WorkDir& wd) {
  try {
    AsCommand([&] {
      Number(g);
      AppState st;
      st.Work = wd;
      BuildMatrices(st, g);
      WriteGraphText(g, wd, "graff.txt");
      TGraff copy;
      CopyGraph(g, copy);
      if (copy.CircleCount > 0) InsertLoad(copy, 0, {100, 10}, 1);
      Number(copy);
      (void)GraphToBytes(copy);
    });
  } catch (const ProgramError&) {
    // A damaged but readable file may describe a place outside a circle.
  }
}

class GraphDriver : public LoaderDriver {
 public:
  GraphDriver() {
    // Saved as the constructor window saves them.
    for (const Bytes& b : {FullGraph(), SmallGraph()}) {
      TGraff g;
      GraphFromBytes(g, b);
      Number(g);
      SaveToFile(g, Work(), "graff\\seed.grf");
      seeds_.push_back(ReadFileBytes(Work(), "graff\\seed.grf"));
    }
  }
  const char* Name() const override { return "grf"; }
  FileForm Form() const override { return FileForm::Binary; }
  Outcome Run(const Bytes& input) override {
    WriteFileBytes(Work(), "graff\\fuzz.grf", input);
    TGraff g;
    GraphFromBytes(g, seeds_[1]);
    const Bytes before = GraphToBytes(g);
    try {
      LoadFromFile(g, Work(), "graff\\fuzz.grf");
    } catch (const IoError&) {
      if (GraphToBytes(g) != before) Fail("the graph loader refused the file but changed the graph");
      return Outcome::Refused;
    }
    UseLoadedGraph(g, Work());
    return Outcome::Loaded;
  }
};

// ---------------------------------------------------------------- Graph\dp.gmt

class LossDriver : public LoaderDriver {
 public:
  LossDriver() {
    SeedDefaultData(Work());
    // The loss file of a real batch run: one train through a DC zone.
    {
      Session s(Work(), 1);
      LoadState(s.st, 11);
      s.st.Params.BatchTrains.Set("2");
      s.st.Params.StepMinutes.Set("1");
      BatchLaunch(s.st);
    }
    seeds_ = ReadSeeds(Work(), {"Graph\\dp.gmt"});
    // And a short hand-made series with a step solved without chart data.
    Session s(Work(), 1);
    s.st.LossSeries.Step = 0.5;
    s.st.LossSeries.LastIndex = 3;
    s.st.LossSeries.MaxLoss = 125000.5;
    s.st.LossSeries.Losses = {1000, 125000.5, 42};
    s.st.LossSeries.StepIndex = {0, 1, 2};
    WriteLossFile(s.st);
    seeds_.push_back(ReadFileBytes(Work(), "Graph\\dp.gmt"));
  }
  const char* Name() const override { return "dp.gmt"; }
  FileForm Form() const override { return FileForm::Binary; }
  Outcome Run(const Bytes& input) override {
    Session s(Work(), 1);
    WriteFileBytes(Work(), "Graph\\dp.gmt", input);
    TLossSeries loss;
    if (!LoadsOrRefuses(s.st, [&] { loss = ReadLossFile(s.st); })) return Outcome::Refused;
    for (double x : loss.Losses) (void)FloatToStr(x);
    (void)FloatToStr(loss.Step);
    (void)FloatToStr(loss.MaxLoss);
    // Written again, the series gives the bytes it was read from.
    s.st.LossSeries = loss;
    WriteLossFile(s.st);
    const Bytes again = ReadFileBytes(Work(), "Graph\\dp.gmt");
    if (again.size() > input.size() || !std::equal(again.begin(), again.end(), input.begin()))
      Fail("the loss series written again differs from the file it was read from");
    return Outcome::Loaded;
  }
};

// ---------------------------------------------------------------- Graph\charts.cdt

class ChartDataDriver : public LoaderDriver {
 public:
  ChartDataDriver() {
    SeedDefaultData(Work());
    // The chart data of a real batch run: one train through a DC zone.
    {
      Session s(Work(), 1);
      LoadState(s.st, 11);
      s.st.Params.BatchTrains.Set("2");
      s.st.Params.StepMinutes.Set("1");
      BatchLaunch(s.st);
    }
    seeds_ = ReadSeeds(Work(), {"Graph\\charts.cdt"});
    // And hand-made data of an AC scheme with rail series and four feeders.
    ChartData cd;
    cd.FeedKind = 4;
    cd.TrainSeries.push_back({3, {0, 1, 2}, {27000, 26000.5, 25000}, {0, 0, 0}, 3});
    cd.RailSeries.push_back({1, {0, 1}, {12.5, -40}, {0, 0}, 2});
    cd.Times = {0, 1, 2};
    for (int k = 0; k < 8; ++k) cd.Series[k] = {100.0 * k, -50.0 * k, 1.5};
    cd.LossKw = {1, 2};
    // Naming the loss file of the run, which stays beside every input.
    seeds_.push_back(ChartDataBytes(cd, 10, IdOfLossFile(ReadFileBytes(Work(), kLossFile))));
  }
  const char* Name() const override { return "charts.cdt"; }
  // A train voltage and a feeder current near 1e178: the value axes of the
  // charts once turned such numbers into integers beyond any integer.
  std::vector<Bytes> Regressions() const override {
    SavedChartData d = ChartDataFromBytes(seeds_.at(0));
    for (TChartSeries& t : d.Data.TrainSeries)
      if (!t.Values.empty()) t.Values.back() = 1.7e178;
    for (std::vector<double>& f : d.Data.Series)
      if (!f.empty()) f.back() = -2.3e178;
    return {ChartDataBytes(d.Data, d.Variant, d.Data.LossFile)};
  }
  FileForm Form() const override { return FileForm::Binary; }
  Outcome Run(const Bytes& input) override {
    Session s(Work(), 1);
    WriteFileBytes(Work(), "Graph\\charts.cdt", input);
    SavedChartData saved;
    if (!LoadsOrRefuses(s.st, [&] { saved = ReadChartDataFile(Work()); })) return Outcome::Refused;
    // Written again, the data gives the bytes it was read from.
    if (ChartDataBytes(saved.Data, saved.Variant, saved.Data.LossFile) != input)
      Fail("the chart data written again differs from the file it was read from");
    // Drawn as the chart window draws it.
    s.st.Chart = saved.Data;
    s.st.SchemeVariant = saved.Variant;
    for (int kind = 3; kind <= 5; ++kind) {
      if (!ChartAvailable(s.st.Chart, kind)) continue;
      try {
        const ChartGeometry g = BuildChart(s.st, kind, {});
        (void)ChartCsvLines(g);
      } catch (const ChartError&) {
      }
    }
    return Outcome::Loaded;
  }
};

// ---------------------------------------------------------------- gdp\*.gdp

// A small AC schedule with every kind of event: a train appears on each
// track, one changes its speed, one passes, a speed change finds no train,
// the final event stops the run, and a finalization point ends the schedule.
Bytes SmallSchedule(const WorkDir& wd) {
  Session s(wd, 9);
  TGDPClass g;
  g.Init(s.st);
  auto ev = [](uint16_t n, double a, double r, double km, double v, uint8_t type, uint8_t kind) {
    TGDPEvent e;
    e.Number = n;
    e.ActiveCurrent = a;
    e.ReactiveCurrent = r;
    e.Position = km;
    e.Speed = v;
    e.TypeCode = type;
    e.Kind = kind;
    return e;
  };
  g.AddEvent(0, ev(1, 250, -100.5, 0, 60, ttFreight, ekAppear));
  g.AddEvent(1, ev(2, 180, -60, StrToFloat(s.st.Params.ZoneLength.Get()), 90, ttSuburban, ekAppear));
  g.AddEvent(2, ev(1, 300, -120.349, 0, 45, ttFreight, ekSpeedChange));
  g.AddEvent(2, ev(7, 100, 0, 0, 10, ttExpress, ekSpeedChange));
  g.AddEvent(3, ev(2, 0, 0, 0, 0, ttSuburban, ekPassed));
  g.AddEvent(4, ev(0, 0, 0, 0, 0, 0, ekFinal));
  g.AddFinalizationPoint(6);
  return g.ToBytes();
}

class ScheduleDriver : public LoaderDriver {
 public:
  ScheduleDriver() {
    // The default schedule as the first start writes it, and the small one
    // saved by the schedule's own writer.
    SeedDefaultData(Work());
    seeds_ = ReadSeeds(Work(), {"gdp\\file00.gdp"});
    TGDPClass g;
    g.FromBytes(SmallSchedule(Work()), "small");
    g.SaveToFile(Work(), "gdp\\small.gdp");
    seeds_.push_back(ReadFileBytes(Work(), "gdp\\small.gdp"));
  }
  const char* Name() const override { return "gdp"; }
  // The step "-100" in the head: the time texts once turned the negative
  // time of such a step into a 16-bit count ("53361:65530:0-200").
  std::vector<Bytes> Regressions() const override {
    Bytes b = seeds_.at(0);
    const std::string step = "-100";
    const size_t at = offsetof(TParamBlock, StepMinutes);
    b[at] = static_cast<uint8_t>(step.size());
    std::memcpy(b.data() + at + 1, step.data(), step.size());
    return {b};
  }
  FileForm Form() const override { return FileForm::Binary; }
  Outcome Run(const Bytes& input) override {
    WriteFileBytes(Work(), "gdp\\fuzz.gdp", input);
    Session s(Work(), VariantOf(input));
    s.st.RunMode = ModeSchedule;
    // As a run loads it: a freshly initialised schedule.
    TGDPClass g;
    g.Init(s.st);
    const Bytes before = g.ToBytes();
    try {
      g.LoadFromFile(Work(), "gdp\\fuzz.gdp");
    } catch (const IoError&) {
      if (g.ToBytes() != before || g.Schedule.Count != 0)
        Fail("the schedule loader refused the file but changed the schedule");
      return Outcome::Refused;
    }
    const TGDP& sch = g.Schedule;
    if (sch.Count != sch.Items.size()) Fail("the schedule counts its time points wrongly");
    for (const TEvents& tp : sch.Items)
      if (tp.Count != tp.Events.size()) Fail("a time point counts its events wrongly");

    // Saved again, it gives back the bytes it was read from (a file may
    // carry more after its last time point), and those read back the same.
    g.SaveToFile(Work(), "gdp\\again.gdp");
    const Bytes again = ReadFileBytes(Work(), "gdp\\again.gdp");
    if (again.size() > input.size() || !std::equal(again.begin(), again.end(), input.begin()))
      Fail("the schedule written again differs from the file it was read from");
    TGDPClass back;
    back.FromBytes(again, "again");
    if (back.ToBytes() != again) Fail("the schedule read back from its own file differs");

    // The editor's lists and the panel of the main window.
    AsCommand([&] { (void)g.ListTimes(s.st); });
    const size_t shownTimes = std::min<size_t>(sch.Items.size(), 64);
    for (size_t t = 0; t < shownTimes; ++t) {
      const int ti = static_cast<int>(t);
      (void)g.IndexOfTime(sch.Items[t].Time);
      (void)g.ListEvents(ti);
      const size_t shownEvents = std::min<size_t>(sch.Items[t].Events.size(), 16);
      for (size_t e = 0; e < shownEvents; ++e) (void)g.DescribeEvent(ti, static_cast<int>(e));
    }
    (void)g.ListEvents(-1);
    (void)g.DescribeEvent(static_cast<int>(sch.Items.size()), 0);
    AsCommand([&] { (void)SelectScheduleFile(s.st, "fuzz.gdp"); });

    // The first steps of a run as "Старт иммитации" makes them: the zone of
    // the schedule's own variant where it has one, with the zone length and
    // the step the schedule check demands, once the input checks let it
    // start; the events of each step applied before it is built.
    const int variant = sch.Variant >= 1 && sch.Variant <= 12 ? sch.Variant : s.st.SchemeVariant;
    Session run(Work(), variant);
    AppState& st = run.st;
    st.RunMode = ModeSchedule;
    st.Params.ZoneLength = sch.Header.ZoneLength;
    st.Params.StepMinutes = sch.Header.StepMinutes;
    st.Options.BuildCharts = (InputHash(input) >> 20) % 2 != 0;
    AsCommand([&] {
      LoadProbTrainParams(st);
      ApplyFormRules(st.Params);
      if (CheckMainInput(st) != 0) return;
      st.StopRequested = false;
      st.StepCount = 0;
      for (int k = 0; k < 8 && !st.StopRequested; ++k)
        if (!ScheduleStep(st, g)) break;
    });
    return Outcome::Loaded;
  }
};

// ---------------------------------------------------------------- registry

template <class D>
std::unique_ptr<LoaderDriver> Make() {
  return std::make_unique<D>();
}

struct Entry {
  const char* name;
  std::unique_ptr<LoaderDriver> (*make)();
};

const Entry kLoaders[] = {
    {"state", Make<StateDriver>},         {"global", Make<GlobalDriver>},   {"prelvoz", Make<ProbDriver>},
    {"catalogue", Make<CatalogueDriver>}, {"profile", Make<ProfileDriver>}, {"grf", Make<GraphDriver>},
    {"dp.gmt", Make<LossDriver>},         {"gdp", Make<ScheduleDriver>},
    {"charts.cdt", Make<ChartDataDriver>},
    // The head files "temp\*head.txt" join here when their loader exists: a
    // driver class as above (seeds written by the program's own writer, Run
    // calling the loader as the program does), one line in this table, and
    // one campaign in tests/fuzz/CMakeLists.txt.
};

}  // namespace

const std::vector<std::string>& LoaderNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> v;
    for (const Entry& e : kLoaders) v.push_back(e.name);
    return v;
  }();
  return names;
}

std::unique_ptr<LoaderDriver> MakeLoader(const std::string& name) {
  for (const Entry& e : kLoaders)
    if (name == e.name) return e.make();
  return nullptr;
}

bool RunOne(LoaderDriver& d, const Bytes& input, Outcome& outcome, std::string& fault) {
  try {
    outcome = d.Run(input);
    return true;
  } catch (const Finding& f) {
    fault = f.What;
  } catch (const std::exception& e) {
    fault = std::string("the loader raised ") + typeid(e).name() + ": " + e.what();
  } catch (...) {
    fault = "the loader raised an exception that is not a std::exception";
  }
  return false;
}

}  // namespace tpsfuzz
