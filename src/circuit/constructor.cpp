// The scheme constructor's template graph, the wizard's operations on it, its
// files, and the circuit of a constructor-mode step.
#include "circuit/constructor.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "circuit/numbering.h"
#include "params/conv.h"
#include "params/errors.h"
#include "validation/checks.h"
#include "validation/schedule_checks.h"

namespace tps {

namespace {

// A source branch that stands open: its substation does not feed the chain.
const TComplex kOpenSource{9999999999.0, 0};

const char* const kGraphDir = "graff";

std::string Join(const std::string& a, const std::string& b) {
  return a + " " + b;
}

int ChainIndex(const ConstructorSession& s, const std::string& name) {
  for (const auto& c : s.Template.Circles)
    if (c->Name == name) return c->Index;
  return -1;
}

// " U[re im]" of a chain's source A (" U[0 0]" without an EMF).
std::string SourceText(const TCircle& c) {
  const TBranch& a = *c.Branches[1];
  if (a.HasEmf != 1) return " U[0 0]";
  return " U[" + Join(FloatToStr(a.Emf.Re), FloatToStr(a.Emf.Im)) + "]";
}

// Both chain names must be chains of the template and differ.
bool TwoChains(AppState& st, const std::string& a, const std::string& b, const char* message, int& ia,
               int& ib) {
  ConstructorSession& s = Constructor(st);
  ia = ChainIndex(s, a);
  ib = ChainIndex(s, b);
  if (ia < 0 || ib < 0 || ia == ib) {
    st.Message(MsgKind::Warning, message);
    return false;
  }
  return true;
}

// A number the validation has accepted.
double Accepted(const std::string& text) {
  return StrToFloat(text);
}

void FreshTemplate(ConstructorSession& s) {
  s.Template = TGraff();
  s.WizardStep = 0;
  s.ChainLines.clear();
  s.MutualLines.clear();
  s.ConnectionLines.clear();
  s.RowLines.clear();
  for (auto& c : s.Charts) c = kNotGiven;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

const std::vector<std::string>& ChainKindTexts() {
  static const std::vector<std::string> kinds = {"КП+НТ+РЛ", "КП", "НТ", "КП+НТ", "УП", "ЭТ", "РЛ", "ЗМЛ"};
  return kinds;
}

int ChainKindOf(const std::string& text) {
  const auto& kinds = ChainKindTexts();
  for (size_t k = 0; k < kinds.size(); ++k)
    if (kinds[k] == text) return static_cast<int>(k);
  return -1;
}

std::vector<std::string> ConstructorSession::ChainNames() const {
  std::vector<std::string> names;
  for (const auto& c : Template.Circles) names.push_back(c->Name);
  return names;
}

std::vector<std::string> ConstructorSession::ChartItems() const {
  std::vector<std::string> items{kNotGiven};
  for (const auto& c : Template.Circles) {
    items.push_back(c->Name + " н");
    items.push_back(c->Name + " к");
  }
  return items;
}

ConstructorSession& Constructor(AppState& st) {
  if (!st.UserScheme) st.UserScheme = std::make_shared<ConstructorSession>();
  return *st.UserScheme;
}

bool OpenConstructor(AppState& st, const std::string& scheduleFile) {
  if (CheckScheduleZoneStep(st, scheduleFile, true) != 0) return false;
  ConstructorSession& s = Constructor(st);
  FreshTemplate(s);
  s.AcMode = false;
  return true;
}

void RestartConstructor(AppState& st) {
  FreshTemplate(Constructor(st));
}

void ChooseCurrentKind(AppState& st, bool ac, bool console) {
  ConstructorSession& s = Constructor(st);
  s.AcMode = ac;
  s.Console = console;
  s.WizardStep = 1;
}

int WizardNext(AppState& st) {
  ConstructorSession& s = Constructor(st);
  switch (s.WizardStep) {
    case 1:
      if (s.AcMode) {
        if (s.Template.CircleCount > 1) {
          std::vector<int16_t> all;
          for (int16_t i = 0; i < static_cast<int16_t>(s.Template.CircleCount); ++i) all.push_back(i);
          SetMutualGroup(s.Template, all);
        }
        s.WizardStep = 2;
      } else {
        s.WizardStep = 3;
      }
      break;
    case 2:
      s.WizardStep = 3;
      break;
    case 3:
      s.WizardStep = 4;
      break;
    case 4:
      s.WizardStep = 5;
      break;
    case 5:
      s.WizardStep = 6;
      break;
    default:
      break;
  }
  return s.WizardStep;
}

bool AddChain(AppState& st, const ChainInput& in) {
  const int kind = ChainKindOf(in.Kind);
  if (kind < 0) {
    st.Message(MsgKind::Warning, "Задайте правильный тип Циркла из предложеных");
    return false;
  }
  if (CheckSourceAndLine(st, {in.UaRe, in.UaIm, in.UbRe, in.UbIm, in.R, in.X}) != 0) return false;
  ConstructorSession& s = Constructor(st);
  // Mutually coupled chains name their partners in one byte.
  if (s.Template.CircleCount >= kMaxChains) {
    st.Message(MsgKind::Warning, "Слишком много Цирклов: в схеме не больше " + std::to_string(kMaxChains));
    return false;
  }
  const double L = StrToFloat(st.Params.ZoneLength.Get());
  const int c = AddCircle(s.Template, static_cast<uint8_t>(kind), st.Params);
  TCircle& circle = *s.Template.Circles[c];
  TBranch& line = *circle.Branches[2];
  line.ZPerKm = TComplex{Accepted(in.R), Accepted(in.X)};
  line.Length = L;
  line.Z = CMul(line.ZPerKm, CFromReal(L));
  circle.Branches[1]->Z = TComplex{};
  TBranch& a = *circle.Branches[1];
  TBranch& b = *circle.Branches[3];
  if (in.Passive) {
    a.HasEmf = 0;
    b.HasEmf = 0;
  } else {
    a.Emf = TComplex{Accepted(in.UaRe), Accepted(in.UaIm)};
    b.Emf = TComplex{Accepted(in.UbRe), Accepted(in.UbIm)};
  }
  s.ChainLines.push_back(circle.Name + SourceText(circle) + " Z[" +
                         Join(FloatToStr(line.Z.Re), FloatToStr(line.Z.Im)) + "]");
  return true;
}

bool AddMutual(AppState& st, const std::string& a, const std::string& b, const std::string& r,
               const std::string& x) {
  int ia = 0, ib = 0;
  if (!TwoChains(st, a, b, "Задайте правильные типы Цирклов из предложеных", ia, ib)) return false;
  if (CheckMutual(st, r, x) != 0) return false;
  ConstructorSession& s = Constructor(st);
  SetMutualImpedance(s.Template, ia, ib, TComplex{Accepted(r), Accepted(x)});
  s.MutualLines.push_back(a + " - " + b + " Z[" + Join(r, x) + "]");
  return true;
}

namespace {

// The checks of both connection steps: two chains to choose from, two
// different chains chosen.
bool ConnectionChains(AppState& st, const std::string& a, const std::string& b, int& ia, int& ib) {
  if (Constructor(st).Template.CircleCount < 2) st.Message(MsgKind::Warning, "Надо иметь минимум 2 Циркла!");
  return TwoChains(st, a, b, "Задайте 2 разные типы Цирклов из предложеных", ia, ib);
}

}  // namespace

bool AddSingleConnection(AppState& st, const std::string& a, const std::string& b, const std::string& place) {
  int ia = 0, ib = 0;
  if (!ConnectionChains(st, a, b, ia, ib)) return false;
  if (CheckPostPlace(st, place) != 0) return false;
  ConstructorSession& s = Constructor(st);
  const double x = Accepted(place);
  AddConnection(s.Template, ia, ib, x, x, TComplex{});
  s.ConnectionLines.push_back(a + " - " + b + " L[" + place + "]");
  return true;
}

bool AddConnectionRow(AppState& st, const std::string& a, const std::string& b,
                      const ConnectionRowInput& in) {
  int ia = 0, ib = 0;
  if (!ConnectionChains(st, a, b, ia, ib)) return false;
  if (CheckConnectors(st, {in.From, in.To, in.Step, in.R, in.X}) != 0) return false;
  ConstructorSession& s = Constructor(st);
  const double first = Accepted(in.From), last = Accepted(in.To), step = Accepted(in.Step);
  // Every connection is a branch and a loop of the dense matrices of every
  // step: a row of a tiny step would make a circuit no step can solve.
  const double count = std::floor((last - first) / step + 1e-9) + 1;
  if (!(count + s.Template.ConnectionCount <= kMaxConnections)) {
    st.Message(MsgKind::Warning, "Слишком много соединителей: " + FloatToStr(count) +
                                     " в ряду, а в схеме не больше " + std::to_string(kMaxConnections));
    return false;
  }
  const TComplex z{Accepted(in.R), Accepted(in.X)};
  // x = first + k step rather than a running sum, so that 1 + 19 x 1 is 20
  // exactly and the last place of the row is not lost to rounding.
  for (int k = 0;; ++k) {
    const double x = first + k * step;
    if (!(x <= last)) break;
    AddConnection(s.Template, ia, ib, x, x, z);
  }
  s.RowLines.push_back(a + " - " + b + " [" + in.From + " - " + in.To + "]");
  return true;
}

std::string ChartChoicesPath(const std::string& graphFile) {
  std::string base = graphFile;
  if (EndsWith(LowerName(base), ".grf")) base.resize(base.size() - 4);
  return base + ".gch";
}

void SaveConstructorGraph(AppState& st, const std::string& file) {
  ConstructorSession& s = Constructor(st);
  Number(s.Template);
  SaveToFile(s.Template, st.Work, file);
  std::vector<std::string> lines{std::string("current=") + (s.AcMode ? "ac" : "dc"),
                                 std::string("console=") + (s.Console ? "1" : "0")};
  for (int k = 0; k < 4; ++k) lines.push_back("F" + std::to_string(k + 1) + "=" + s.Charts[k]);
  WriteTextLines(st.Work, ChartChoicesPath(file), lines);
}

void LoadConstructorGraph(AppState& st, const std::string& file) {
  ConstructorSession& s = Constructor(st);
  TGraff g;
  LoadFromFile(g, st.Work, file);
  Number(g);
  // The settings beside the graph: read whole before anything changes.
  bool ac = s.AcMode, console = s.Console;
  std::string charts[4] = {kNotGiven, kNotGiven, kNotGiven, kNotGiven};
  const std::string side = ChartChoicesPath(file);
  if (st.Work.Exists(side)) {
    for (const std::string& line : ReadTextLines(st.Work, side, 4096)) {
      if (line == "current=ac") ac = true;
      if (line == "current=dc") ac = false;
      if (line == "console=1") console = true;
      if (line == "console=0") console = false;
      for (int k = 0; k < 4; ++k) {
        const std::string key = "F" + std::to_string(k + 1) + "=";
        if (line.compare(0, key.size(), key) == 0) charts[k] = line.substr(key.size());
      }
    }
  }
  FreshTemplate(s);
  s.Template = std::move(g);
  s.AcMode = ac;
  s.Console = console;
  for (const auto& c : s.Template.Circles) {
    const TBranch& line = *c->Branches[std::min<int>(2, c->BranchCount)];
    s.ChainLines.push_back(c->Name + SourceText(*c) + " Z0[" +
                           Join(FloatToStr(line.ZPerKm.Re), FloatToStr(line.ZPerKm.Im)) + "]");
  }
  for (const auto& b : s.Template.Connections) {
    const std::string from = s.Template.Circles[b->FromCircle]->Name;
    const std::string to = s.Template.Circles[b->ToCircle]->Name;
    s.ConnectionLines.push_back(from + " - " + to + " [" + FloatToStr(b->FromNodeRef->Position) + " ]");
  }
  if (s.Template.CircleCount > 0) {
    s.MutualLines.push_back("Этот Граф");
    s.MutualLines.push_back("создан для длины " + FloatToStr(s.Template.Circles[0]->Length));
  }
  // A stored choice that names no chain of this graph is not kept.
  const std::vector<std::string> items = s.ChartItems();
  for (int k = 0; k < 4; ++k)
    s.Charts[k] = std::find(items.begin(), items.end(), charts[k]) != items.end() ? charts[k] : kNotGiven;
  s.WizardStep = 5;
}

bool DeleteConstructorGraph(AppState& st, const std::string& file) {
  if (file.empty()) {
    st.Message(MsgKind::Information, "Выберите файл для удаления!");
    return false;
  }
  if (st.Host &&
      !st.Host->ShowMessage(MsgKind::Warning, "Вы уверены, что файл надо убить?!", MsgButtons::OkCancel))
    return false;
  DeleteFile(st.Work, file);
  const std::string side = ChartChoicesPath(file);
  if (st.Work.Exists(side)) DeleteFile(st.Work, side);
  RestartConstructor(st);
  return true;
}

std::vector<std::string> ListGraphFiles(const AppState& st) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code ec;
  const fs::path dir = st.Work.Resolve(kGraphDir);
  if (!fs::is_directory(dir, ec)) return names;
  for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
    if (!e.is_regular_file(ec)) continue;
    const std::string name = e.path().filename().string();
    if (EndsWith(LowerName(name), ".grf")) names.push_back(name);
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return LowerName(a) < LowerName(b); });
  return names;
}

void BuildConstructorCircuit(AppState& st) {
  ConstructorSession& s = Constructor(st);
  TGraff& t = s.Template;
  if (!t.Numbered) Number(t);
  // 1. Fed from substation A only: every chain's substation B stands open.
  if (s.Console)
    for (auto& c : t.Circles) c->Branches[c->BranchCount]->Z = kOpenSource;

  auto g = std::make_unique<TGraff>();
  CopyGraph(t, *g);

  // 4. (Chosen first, as step 3 asks about them.) The first equivalent,
  // contact-wire or catenary chain carries the trains of track 1, the second
  // those of track 2; with a single such chain it carries the trains of both.
  int chain1 = -1, chain2 = -1;
  for (const auto& c : g->Circles) {
    if (c->Kind != 0 && c->Kind != 1 && c->Kind != 3) continue;
    if (chain1 < 0)
      chain1 = c->Index;
    else if (chain2 < 0)
      chain2 = c->Index;
  }
  const bool single = chain2 < 0;
  if (single) chain2 = chain1;

  // 3. On direct current a catenary without trains is fed from substation A
  // alone, as the fixed DC schemes do (the combined catenary "KPNT" counts
  // as a catenary too). A single catenary that carries the trains of both
  // tracks is without trains only when both tracks are.
  if (!s.AcMode) {
    for (auto& c : g->Circles) {
      const bool track1 = c->Name == "NIL1" || c->Name == "KP1" || c->Name == "KPNT1";
      const bool track2 = c->Name == "NIL2" || c->Name == "KP2" || c->Name == "KPNT2";
      const bool both = single && c->Index == chain1;
      const bool empty1 = both ? st.Trains.Empty() : st.Trains.Trains1.empty();
      if ((track1 && empty1) || (track2 && st.Trains.Trains2.empty()))
        c->Branches[c->BranchCount]->Z = kOpenSource;
    }
  }

  // 5. The trains, track 1 first, in list order.
  std::vector<std::pair<TNode*, int>> trainNodes, returnNodes;
  if (chain1 >= 0) {
    for (int track = 1; track <= 2; ++track) {
      const int chain = track == 1 ? chain1 : chain2;
      for (const elvoz& train : track == 1 ? st.Trains.Trains1 : st.Trains.Trains2) {
        g->ReturnNodes.push_back(nullptr);
        TNode* node = InsertLoad(*g, chain, train.Current, train.Km);
        trainNodes.emplace_back(node, train.Number);
        if (g->ReturnNodes.back()) returnNodes.emplace_back(g->ReturnNodes.back(), train.Number);
      }
    }
  }

  // 6, 7. Counts, numbering and the node maps.
  Number(*g);
  int nodes = 0, branches = 0;
  for (const auto& c : g->Circles) {
    nodes += c->NodeCount - 2;
    branches += c->BranchCount;
  }
  branches += g->ConnectionCount;
  StepCircuit& sc = st.Circuit;
  sc.NodeTrain.assign(static_cast<size_t>(nodes), 0);
  s.ReturnTrainAtNode.assign(static_cast<size_t>(nodes), 0);
  for (auto& [node, number] : trainNodes)
    if (node->Number >= 1 && node->Number <= nodes) sc.NodeTrain[node->Number - 1] = number;
  for (auto& [node, number] : returnNodes)
    if (node->Number >= 1 && node->Number <= nodes) s.ReturnTrainAtNode[node->Number - 1] = number;

  // 8. The listing (always in this mode) and the matrices.
  WriteGraphText(*g, st.Work, "graff.txt");
  BuildMatrices(st, *g);
  sc.NodeCount = nodes;
  sc.BranchCount = branches;
  sc.LoopCount = branches - nodes;
  sc.Track1Nodes = g->CircleCount > 0 ? g->Circles[0]->NodeCount - 2 : 0;
  sc.Built = true;
  s.Current = std::move(g);
  st.Pump();
}

}  // namespace tps
