// Building the circuit graph of one step: circles, the nodes where trains and
// posts enter them, cross connections, mutual coupling, and deep copies.
#include "circuit/graph.h"

#include <cmath>
#include <unordered_map>

#include "params/conv.h"
#include "params/errors.h"

namespace tps {

namespace {

constexpr double kSamePlace = 1e-6;  // km: two places closer than this are one node

bool NonZero(TComplex z) { return z.Re != 0 || z.Im != 0; }

// A voltage field that may read "н/и" (not given) as 0.
double OptionalVoltage(const std::string& text) {
  if (text == "н/и") return 0;
  return StrToFloat(text);
}

TCircle& CircleAt(TGraff& g, int c) {
  if (c < 0 || static_cast<size_t>(c) >= g.Circles.size() || !g.Circles[c])
    throw ProgramError("Нет контура с номером " + std::to_string(c));
  return *g.Circles[c];
}

std::unique_ptr<TBranch> CopyBranch(const TBranch& b) {
  auto n = std::make_unique<TBranch>();
  n->Number = b.Number;
  n->HasEmf = b.HasEmf;
  n->Emf = b.Emf;
  n->Forward = b.Forward;
  n->Z = b.Z;
  n->ZPerKm = b.ZPerKm;
  n->Length = b.Length;
  n->FromNode = b.FromNode;
  n->ToNode = b.ToNode;
  n->FromCircle = b.FromCircle;
  n->ToCircle = b.ToCircle;
  n->Appended = b.Appended;
  n->PartnerBranchCount = b.PartnerBranchCount;
  // MutualBranches and MutualZ point into the source graph; the next
  // numbering of the copy rebuilds them.
  return n;
}

}  // namespace

std::string KindName(int kind) {
  switch (kind) {
    case 0: return "NIL";
    case 1: return "KP";
    case 2: return "NT";
    case 3: return "KPNT";
    case 4: return "UP";
    case 5: return "ET";
    case 6: return "RL";
    case 7: return "GND";
    default: return "NIL";
  }
}

int AddCircle(TGraff& g, uint8_t kind, const TParamBlock& p) {
  const double L = StrToFloat(p.ZoneLength.Get());
  g.Numbered = false;
  auto c = std::make_unique<TCircle>();
  c->Index = static_cast<int16_t>(g.Circles.size());
  c->Kind = kind;
  int same = 1;
  for (const auto& other : g.Circles)
    if (other && other->Kind == kind) ++same;
  c->Name = CutChars(KindName(static_cast<int>(kind)) + std::to_string(same), 6);
  InitCircle(*c, L, p);
  g.Circles.push_back(std::move(c));
  g.CircleCount = static_cast<uint16_t>(g.Circles.size());
  return g.CircleCount - 1;
}

void InitCircle(TCircle& c, double L, const TParamBlock& p) {
  // Read every voltage first, so a field that is not a number leaves the circle as it was.
  TComplex ua{StrToFloat(p.UaRe.Get()), OptionalVoltage(p.UaIm.Get())};
  TComplex ub{OptionalVoltage(p.UbRe.Get()), OptionalVoltage(p.UbIm.Get())};

  c.PartnerCount = 0;
  c.Partners.clear();
  c.MutualPerKm.clear();

  const uint16_t idx = static_cast<uint16_t>(c.Index);
  c.Nodes.clear();
  for (int i = 0; i < 4; ++i) {
    auto n = std::make_unique<TNode>();
    n->Number = static_cast<uint16_t>(i == 3 ? 0 : i);
    n->Circle = idx;
    c.Nodes.push_back(std::move(n));
  }
  c.Branches.clear();
  c.Branches.emplace_back();  // index 0 is not used
  for (int i = 1; i <= 3; ++i) {
    auto b = std::make_unique<TBranch>();
    b->Number = static_cast<uint16_t>(i);
    b->FromCircle = b->ToCircle = idx;
    c.Branches.push_back(std::move(b));
  }
  TBranch& a = *c.Branches[1];  // source of substation A
  a.HasEmf = 1;
  a.Emf = ua;
  a.Forward = 1;
  TBranch& bsrc = *c.Branches[3];  // source of substation B, against the branch direction
  bsrc.HasEmf = 1;
  bsrc.Emf = ub;
  bsrc.Forward = 0;
  c.Branches[2]->Length = L;  // the line

  c.NodeCount = 4;
  c.BranchCount = 3;
  c.Length = L;
}

TNode* InsertNode(TCircle& c, TComplex current, double x) {
  const bool loaded = NonZero(current);
  // A place before substation A (or not a number) lies on no segment of the
  // circle; splitting the source branch there would give a negative length.
  if (!(x > -kSamePlace))
    throw ProgramError("Место " + FloatToStr(x) + " км вне контура " + c.Name);

  double s = 0;
  for (int i = 1; i <= c.BranchCount; ++i) {
    TBranch& old = *c.Branches[i];
    s += old.Length;
    if (std::fabs(s - x) < kSamePlace) {
      TNode& n = *c.Nodes[i];
      if (loaded) n.HasLoad = 1;
      n.Current = CAdd(n.Current, current);
      return &n;
    }
    if (x < s) {
      auto node = std::make_unique<TNode>();
      node->Position = x;
      node->HasLoad = loaded ? 1 : 0;
      node->Current = current;
      node->Circle = static_cast<uint16_t>(c.Index);
      TNode* result = node.get();
      if (old.Appended)
        c.Nodes.push_back(std::move(node));
      else
        c.Nodes.insert(c.Nodes.begin() + i, std::move(node));
      c.NodeCount = static_cast<uint16_t>(c.Nodes.size());

      auto part = std::make_unique<TBranch>();
      part->HasEmf = 0;
      part->Appended = 0;
      part->FromCircle = part->ToCircle = static_cast<uint16_t>(c.Index);
      part->ZPerKm = old.ZPerKm;
      part->Length = old.Length - (s - x);
      old.Length = old.Length - part->Length;
      part->Z = CMul(part->ZPerKm, CFromReal(part->Length));
      old.Z = CMul(old.ZPerKm, CFromReal(old.Length));
      c.Branches.insert(c.Branches.begin() + i, std::move(part));
      c.BranchCount = static_cast<uint16_t>(c.Branches.size() - 1);
      return result;
    }
  }
  throw ProgramError("Место " + FloatToStr(x) + " км вне контура " + c.Name);
}

TNode* InsertLoad(TGraff& g, int c, TComplex current, double x) {
  TCircle& circle = CircleAt(g, c);
  TNode* node = InsertNode(circle, current, x);
  g.Numbered = false;
  if ((circle.Kind == 1 || circle.Kind == 3) && NonZero(current)) {
    for (auto& rail : g.Circles) {
      if (rail && rail->Name == "RL1") {
        TNode* ret = InsertNode(*rail, CNeg(current), x);
        if (g.ReturnNodes.empty())
          g.ReturnNodes.push_back(ret);
        else
          g.ReturnNodes.back() = ret;
        break;
      }
    }
  }
  // Mutually coupled circles keep identical segmentations.
  const std::vector<uint8_t> partners = circle.Partners;
  for (uint8_t p : partners) InsertNode(CircleAt(g, p), TComplex{}, x);
  return node;
}

TBranch* AddConnection(TGraff& g, int a, int b, double xa, double xb, TComplex z) {
  CircleAt(g, a);
  CircleAt(g, b);
  g.Numbered = false;
  // Both nodes are made before the connection is listed, so a place outside
  // a circle leaves no half-made connection behind.
  TNode* from = InsertLoad(g, a, TComplex{}, xa);
  TNode* to = InsertLoad(g, b, TComplex{}, xb);
  auto br = std::make_unique<TBranch>();
  br->FromNodeRef = from;
  br->FromCircle = static_cast<uint16_t>(a);
  br->ToNodeRef = to;
  br->ToCircle = static_cast<uint16_t>(b);
  br->HasEmf = 0;
  br->Z = z;
  br->ZPerKm = TComplex{};
  br->Length = 0;
  br->Appended = 1;
  TBranch* result = br.get();
  g.Connections.push_back(std::move(br));
  g.ConnectionCount = static_cast<uint16_t>(g.Connections.size());
  return result;
}

void AddConnectionRange(TGraff& g, int a, int b, TComplex z, double step, double last, double first) {
  if (!(first < last))
    throw ProgramError("Ряд соединений: начало " + FloatToStr(first) + " км не меньше конца " +
                       FloatToStr(last) + " км");
  if (!(step > 0))
    throw ProgramError("Ряд соединений: шаг " + FloatToStr(step) + " км должен быть больше нуля");
  for (double x = first; x <= last; x += step) AddConnection(g, a, b, x, x, z);
}

void SetMutualGroup(TGraff& g, const std::vector<int16_t>& list) {
  for (int16_t p : list) {
    CircleAt(g, p);
    if (p > 255) throw ProgramError("Контур " + std::to_string(p) + " не может входить во взаимную группу");
  }
  // Count the partners first so that a group too large for the partner
  // count changes nothing.
  for (int16_t p : list) {
    size_t extra = 0;
    for (int16_t q : list)
      if (q != p) ++extra;
    if (g.Circles[p]->Partners.size() + extra > 255)
      throw ProgramError("Слишком много взаимно связанных контуров");
  }
  g.MutualCount = static_cast<uint16_t>(list.size());
  g.MutualGroup = list;
  for (int16_t p : list) {
    TCircle& cp = *g.Circles[p];
    for (int16_t q : list) {
      if (p == q) continue;
      cp.Partners.push_back(static_cast<uint8_t>(q));
      cp.MutualPerKm.push_back(TComplex{});
      cp.PartnerCount = static_cast<uint8_t>(cp.Partners.size());
    }
  }
}

void SetMutualImpedance(TGraff& g, int a, int b, TComplex z) {
  TCircle& ca = CircleAt(g, a);
  for (size_t k = 0; k < ca.Partners.size() && k < ca.MutualPerKm.size(); ++k)
    if (ca.Partners[k] == b) ca.MutualPerKm[k] = z;
  if (g.MutualCount != 0) {
    TCircle& cb = CircleAt(g, b);
    for (size_t k = 0; k < cb.Partners.size() && k < cb.MutualPerKm.size(); ++k)
      if (cb.Partners[k] == a) cb.MutualPerKm[k] = z;
  }
}

void CopyGraph(const TGraff& src, TGraff& dst) {
  if (!src.Numbered) throw ProgramError("Копировать можно только пронумерованный граф");
  if (&src == &dst) return;

  TGraff out;
  std::unordered_map<const TNode*, TNode*> nodeMap;
  for (const auto& cs : src.Circles) {
    auto c = std::make_unique<TCircle>();
    c->Index = cs->Index;
    c->Kind = cs->Kind;
    c->Name = cs->Name;
    c->Branches.emplace_back();
    for (size_t i = 1; i < cs->Branches.size(); ++i) c->Branches.push_back(CopyBranch(*cs->Branches[i]));
    for (const auto& ns : cs->Nodes) {
      auto n = std::make_unique<TNode>(*ns);
      nodeMap[ns.get()] = n.get();
      c->Nodes.push_back(std::move(n));
    }
    c->NodeCount = cs->NodeCount;
    c->BranchCount = cs->BranchCount;
    c->Length = cs->Length;
    c->Partners = cs->Partners;
    c->MutualPerKm = cs->MutualPerKm;
    c->PartnerCount = cs->PartnerCount;
    out.Circles.push_back(std::move(c));
  }
  out.CircleCount = static_cast<uint16_t>(out.Circles.size());
  out.MutualCount = src.MutualCount;
  out.MutualGroup = src.MutualGroup;

  // The inner nodes of a numbered graph have unique numbers, so the node at
  // the same place of the copy is the node with the same number.
  auto mapNode = [&](const TNode* n) -> TNode* {
    auto it = nodeMap.find(n);
    if (it == nodeMap.end()) throw ProgramError("Соединение указывает на узел вне графа");
    return it->second;
  };
  for (const auto& bs : src.Connections) {
    auto b = CopyBranch(*bs);
    b->FromNodeRef = mapNode(bs->FromNodeRef);
    b->ToNodeRef = mapNode(bs->ToNodeRef);
    out.Connections.push_back(std::move(b));
  }
  out.ConnectionCount = static_cast<uint16_t>(out.Connections.size());
  out.Numbered = false;
  dst = std::move(out);
}

void FreeGraph(TGraff& g) { g = TGraff(); }

}  // namespace tps
