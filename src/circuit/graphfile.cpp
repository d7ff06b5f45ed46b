// The binary ".grf" file of a user circuit graph: little-endian records
// without header or padding, written whole from a numbered graph and read
// back into a fresh graph that replaces the caller's only when every record
// has been read and checked.
#include <algorithm>
#include <cmath>
#include <string>

#include "circuit/graph.h"
#include "params/conv.h"
#include "params/errors.h"

namespace tps {

namespace {

constexpr size_t kNameChars = 6;

void PutComplex(ByteWriter& w, TComplex z) {
  w.F64(z.Re);
  w.F64(z.Im);
}

TComplex GetComplex(ByteReader& r) {
  TComplex z;
  z.Re = r.F64();
  z.Im = r.F64();
  return z;
}

// The fields shared by circle branches and connections.
void PutBranchCommon(ByteWriter& w, const TBranch& b) {
  w.U16(b.Number);
  w.U8(b.HasEmf);
  PutComplex(w, b.Emf);
  w.U8(b.Forward);
  PutComplex(w, b.Z);
  PutComplex(w, b.ZPerKm);
  w.F64(b.Length);
  w.U16(b.FromNode);
  w.U16(b.ToNode);
  w.U16(b.FromCircle);
  w.U16(b.ToCircle);
  w.U8(b.Appended);
}

std::unique_ptr<TBranch> GetBranchCommon(ByteReader& r) {
  auto b = std::make_unique<TBranch>();
  b->Number = r.U16();
  b->HasEmf = r.U8();
  b->Emf = GetComplex(r);
  b->Forward = r.U8();
  b->Z = GetComplex(r);
  b->ZPerKm = GetComplex(r);
  b->Length = r.F64();
  b->FromNode = r.U16();
  b->ToNode = r.U16();
  b->FromCircle = r.U16();
  b->ToCircle = r.U16();
  b->Appended = r.U8();
  return b;
}

class CorruptFile {
 public:
  explicit CorruptFile(std::string name) : name_(std::move(name)) {}
  [[noreturn]] void operator()(const std::string& what) const {
    throw IoError("Файл схемы " + name_ + " повреждён: " + what);
  }

 private:
  std::string name_;
};

// The first inner node (in circle order) carrying that number. Ground nodes
// are never the ends of a connection.
TNode* FindInnerNode(TGraff& g, uint16_t number) {
  if (number == 0) return nullptr;
  for (auto& c : g.Circles)
    for (size_t j = 1; j + 1 < c->Nodes.size(); ++j)
      if (c->Nodes[j]->Number == number) return c->Nodes[j].get();
  return nullptr;
}

// What the constructor's input checks let into a circuit: a zone of at most
// 200 km, impedances per km of [0, 20) + j(-20, 20) Ohm, source voltages
// within +-100000 V, currents within +-5000 A.
constexpr double kLongestZoneKm = 200;
constexpr double kMaxPerKm = 20;
constexpr double kMaxVoltage = 100000;
constexpr double kMaxCurrent = 5000;
// The closing branch of a chain fed from substation A only ("Консоль").
constexpr double kOpenEnd = 9999999999.0;

std::string Num(double v) {
  return "'" + FloatToStr(v) + "'";
}

// An impedance per km within the constructor's ranges; empty when it is.
std::string PerKmFault(TComplex z, const char* what) {
  if (!std::isfinite(z.Re) || !std::isfinite(z.Im) || !(z.Re >= 0 && z.Re < kMaxPerKm) ||
      !(std::fabs(z.Im) < kMaxPerKm))
    return std::string(what) + " " + Num(z.Re) + " + j" + Num(z.Im) + " вне [0, 20) + j(-20, 20) Ом";
  return std::string();
}

// The impedance of a segment of at most the longest zone, or the open end.
std::string BranchZFault(TComplex z) {
  const double most = kMaxPerKm * kLongestZoneKm;
  if (std::isfinite(z.Im) && std::fabs(z.Im) <= most &&
      ((z.Re >= 0 && z.Re <= most) || z.Re == kOpenEnd))
    return std::string();
  return "сопротивление " + Num(z.Re) + " + j" + Num(z.Im) + " вне [0, " + FloatToStr(most) + "] + j[-" +
         FloatToStr(most) + ", " + FloatToStr(most) + "] Ом";
}

std::string BranchFault(const TBranch& b, double zone, bool connection) {
  if (b.HasEmf && (!(std::fabs(b.Emf.Re) < kMaxVoltage) || !(std::fabs(b.Emf.Im) < kMaxVoltage)))
    return "ЭДС " + Num(b.Emf.Re) + " + j" + Num(b.Emf.Im) + " вне (-100000, 100000) В";
  if (!(b.Length >= 0 && b.Length <= zone + 1e-9)) return "длина " + Num(b.Length) + " км вне 0.." + FloatToStr(zone);
  std::string f = connection ? PerKmFault(b.Z, "сопротивление") : PerKmFault(b.ZPerKm, "сопротивление на км");
  if (f.empty() && !connection) f = BranchZFault(b.Z);
  return f;
}

// Every value of a graph read from a file, as the constructor would have made it.
void CheckValues(const TGraff& g, const CorruptFile& Corrupt) {
  for (const auto& c : g.Circles) {
    const std::string circle = "контур " + c->Name;
    if (!(c->Length > 0 && c->Length <= kLongestZoneKm))
      Corrupt(circle + ": длина зоны " + Num(c->Length) + " км вне (0, 200]");
    for (int i = 1; i <= c->BranchCount; ++i) {
      const std::string f = BranchFault(*c->Branches[i], c->Length, false);
      if (!f.empty()) Corrupt(circle + ", ветвь " + std::to_string(i) + ": " + f);
    }
    for (size_t j = 0; j < c->Nodes.size(); ++j) {
      const TNode& n = *c->Nodes[j];
      const std::string node = circle + ", узел " + std::to_string(j) + ": ";
      if (!(std::fabs(n.Current.Re) <= kMaxCurrent) || !(std::fabs(n.Current.Im) <= kMaxCurrent))
        Corrupt(node + "ток " + Num(n.Current.Re) + " + j" + Num(n.Current.Im) + " вне [-5000, 5000] А");
      if (!(n.Position >= 0 && n.Position <= c->Length + 1e-9))
        Corrupt(node + "место " + Num(n.Position) + " км вне зоны 0.." + FloatToStr(c->Length));
    }
    for (size_t k = 0; k < c->MutualPerKm.size(); ++k) {
      const std::string f = PerKmFault(c->MutualPerKm[k], "сопротивление взаимоиндукции на км");
      if (!f.empty()) Corrupt(circle + ", связь " + std::to_string(k + 1) + ": " + f);
    }
  }
  for (size_t k = 0; k < g.Connections.size(); ++k) {
    const std::string f = BranchFault(*g.Connections[k], kLongestZoneKm, true);
    if (!f.empty()) Corrupt("соединение " + std::to_string(k + 1) + ": " + f);
  }
}

}  // namespace

Bytes GraphToBytes(const TGraff& g) {
  ByteWriter w;
  w.U16(static_cast<uint16_t>(g.Circles.size()));
  for (const auto& c : g.Circles) {
    w.I16(c->Index);
    w.U8(c->Kind);
    ShortStr<kNameChars> name;
    name.Set(c->Name);
    w.U8(name.len);
    w.Raw(name.data, kNameChars);
    w.U16(c->BranchCount);
    for (int i = 1; i <= c->BranchCount; ++i) {
      const TBranch& b = *c->Branches[i];
      PutBranchCommon(w, b);
      w.I16(b.PartnerBranchCount);
    }
    w.U16(c->NodeCount);
    for (int j = 0; j < c->NodeCount; ++j) {
      const TNode& n = *c->Nodes[j];
      w.U16(n.Number);
      w.U8(n.HasLoad);
      PutComplex(w, n.Current);
      w.F64(n.Position);
      w.U16(n.Circle);
    }
    w.F64(c->Length);
    const size_t partners = std::min(c->Partners.size(), c->MutualPerKm.size());
    w.U8(static_cast<uint8_t>(partners));
    for (size_t k = 0; k < partners; ++k) {
      w.U8(c->Partners[k]);
      PutComplex(w, c->MutualPerKm[k]);
    }
  }
  w.U16(static_cast<uint16_t>(g.MutualGroup.size()));
  for (int16_t m : g.MutualGroup) w.I16(m);
  w.U16(static_cast<uint16_t>(g.Connections.size()));
  for (const auto& b : g.Connections) PutBranchCommon(w, *b);
  return w.Take();
}

namespace {

void ReadGraph(TGraff& g, const Bytes& data, const std::string& name) {
  ByteReader r(data, name);
  const CorruptFile Corrupt(name);
  TGraff out;

  const uint16_t circles = r.U16();
  for (int ci = 0; ci < circles; ++ci) {
    auto c = std::make_unique<TCircle>();
    c->Index = r.I16();
    if (c->Index != ci) Corrupt("контур " + std::to_string(ci) + " записан под номером " + std::to_string(c->Index));
    c->Kind = r.U8();
    const uint8_t nameLen = r.U8();
    char name[kNameChars];
    r.Raw(name, kNameChars);
    if (nameLen > kNameChars) Corrupt("имя контура длиннее 6 символов");
    c->Name = Cp1251ToUtf8(std::string_view(name, nameLen));

    c->BranchCount = r.U16();
    c->Branches.emplace_back();  // index 0 is not used
    for (int i = 1; i <= c->BranchCount; ++i) {
      auto b = GetBranchCommon(r);
      b->PartnerBranchCount = r.I16();
      if (b->FromCircle != ci || b->ToCircle != ci) Corrupt("ветвь контура " + c->Name + " отнесена к другому контуру");
      c->Branches.push_back(std::move(b));
    }
    c->NodeCount = r.U16();
    for (int j = 0; j < c->NodeCount; ++j) {
      auto n = std::make_unique<TNode>();
      n->Number = r.U16();
      n->HasLoad = r.U8();
      n->Current = GetComplex(r);
      n->Position = r.F64();
      n->Circle = r.U16();
      if (n->Circle != ci) Corrupt("узел контура " + c->Name + " отнесён к другому контуру");
      c->Nodes.push_back(std::move(n));
    }
    // A circle runs from the ground through source A, its segments and
    // source B back to the ground: at least 3 branches, one node more.
    if (c->BranchCount < 3 || c->NodeCount != c->BranchCount + 1)
      Corrupt("в контуре " + c->Name + " " + std::to_string(c->BranchCount) + " ветвей и " +
              std::to_string(c->NodeCount) + " узлов");
    c->Length = r.F64();
    c->PartnerCount = r.U8();
    for (int k = 0; k < c->PartnerCount; ++k) {
      const uint8_t p = r.U8();
      if (p >= circles || p == ci) Corrupt("контур " + c->Name + " связан с несуществующим контуром");
      c->Partners.push_back(p);
      c->MutualPerKm.push_back(GetComplex(r));
    }
    out.Circles.push_back(std::move(c));
  }
  out.CircleCount = circles;

  // Branch e of a circle is coupled with branch e of each partner, so
  // partners must be cut into the same number of branches.
  for (const auto& c : out.Circles)
    for (uint8_t p : c->Partners)
      if (out.Circles[p]->BranchCount != c->BranchCount)
        Corrupt("взаимно связанные контуры " + c->Name + " и " + out.Circles[p]->Name + " разбиты по-разному");

  out.MutualCount = r.U16();
  for (int k = 0; k < out.MutualCount; ++k) {
    const int16_t m = r.I16();
    if (m < 0 || m >= circles) Corrupt("во взаимной группе несуществующий контур");
    out.MutualGroup.push_back(m);
  }

  out.ConnectionCount = r.U16();
  for (int k = 0; k < out.ConnectionCount; ++k) {
    auto b = GetBranchCommon(r);
    if (b->FromCircle >= circles || b->ToCircle >= circles) Corrupt("соединение с несуществующим контуром");
    b->FromNodeRef = FindInnerNode(out, b->FromNode);
    b->ToNodeRef = FindInnerNode(out, b->ToNode);
    if (!b->FromNodeRef || !b->ToNodeRef)
      Corrupt("соединение " + std::to_string(b->Number) + " с несуществующим узлом");
    out.Connections.push_back(std::move(b));
  }
  CheckValues(out, Corrupt);
  // Mutual branches and impedances are rebuilt by the next numbering.
  out.Numbered = false;
  g = std::move(out);
}

}  // namespace

void GraphFromBytes(TGraff& g, const Bytes& data) { ReadGraph(g, data, "(без имени)"); }

void SaveToFile(const TGraff& g, const WorkDir& wd, const std::string& name) {
  if (!g.Numbered) throw ProgramError("Сохранять можно только пронумерованный граф");
  WriteFileBytesAtomic(wd, name, GraphToBytes(g));
}

void LoadFromFile(TGraff& g, const WorkDir& wd, const std::string& name) {
  ReadGraph(g, ReadFileBytes(wd, name), name);
}

}  // namespace tps
