// The circuit graph of one time step: conductor chains (circles) between the
// two ground-connected substation sources, cut into segments at every train
// and post, with cross connections between chains and mutual impedances
// between parallel chains. The numbering and the matrices of a graph live in
// circuit/numbering.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "params/fileio.h"
#include "params/params.h"
#include "arith/cmplx.h"

namespace tps {

// One node of a circle. Number 0 is the ground node.
struct TNode {
  uint16_t Number = 0;
  uint8_t HasLoad = 0;   // 1 = a non-zero current is injected here
  TComplex Current;      // train current, or its negative on a rail return node
  double Position = 0;   // km from substation A
  uint16_t Circle = 0;   // index of the circle it belongs to
};

// One branch: a circle segment, a source branch, or a cross connection.
struct TBranch {
  uint16_t Number = 0;   // global branch number, 1-based, set by Number
  uint8_t HasEmf = 0;
  TComplex Emf;
  uint8_t Forward = 1;   // 1 = the EMF acts in the branch direction
  TComplex Z, ZPerKm;
  double Length = 0;     // km; 0 for sources and connections
  uint16_t FromNode = 0, ToNode = 0, FromCircle = 0, ToCircle = 0;
  TNode* FromNodeRef = nullptr;  // connections only
  TNode* ToNodeRef = nullptr;
  uint8_t Appended = 0;  // nodes inserted into this branch go to the end of the node array
  int16_t PartnerBranchCount = 0;
  std::vector<TBranch*> MutualBranches;
  std::vector<TComplex> MutualZ;
};

// One conductor chain. Nodes 0 and NodeCount-1 are ground nodes; branch i
// joins node i-1 to node i; branch 1 is source A, branch BranchCount source B.
class TCircle {
 public:
  int16_t Index = 0;
  uint8_t Kind = 0;
  std::string Name;  // at most 6 characters
  std::vector<std::unique_ptr<TBranch>> Branches;  // index 1..BranchCount used, [0] empty
  std::vector<std::unique_ptr<TNode>> Nodes;       // 0..NodeCount-1 (nodes keep their address when others are inserted)
  uint16_t NodeCount = 0, BranchCount = 0;
  double Length = 0;
  std::vector<uint8_t> Partners;       // circles mutually coupled with this one
  std::vector<TComplex> MutualPerKm;   // per partner, same order
  uint8_t PartnerCount = 0;
};

class TGraff {
 public:
  bool Numbered = false;
  std::vector<std::unique_ptr<TCircle>> Circles;
  uint16_t CircleCount = 0;
  uint16_t MutualCount = 0;
  std::vector<int16_t> MutualGroup;
  std::vector<std::unique_ptr<TBranch>> Connections;
  uint16_t ConnectionCount = 0;
  uint8_t ChartFeederCount = 0;
  uint16_t ChartFeeders[4] = {};
  // Rail return nodes of the trains; InsertLoad fills the last entry.
  std::vector<TNode*> ReturnNodes;
};

// "NIL", "KP", "NT", "KPNT", "UP", "ET", "RL", "GND"; any other kind "NIL".
// Pass a circle kind as int: KindName(uint8_t) of params/trains.h names a train kind.
std::string KindName(int kind);

// A new circle of the given kind spanning the zone (ZoneLength of p) with the
// substation EMFs of p; returns its index.
int AddCircle(TGraff& g, uint8_t kind, const TParamBlock& p);
// Resets a circle to 4 nodes and 3 branches (source A, the line, source B).
// UaRe is read strictly (ConvertError); UaIm, UbRe, UbIm read "н/и" as 0.
void InitCircle(TCircle& c, double L, const TParamBlock& p);
// The node at position x of the circle, made by splitting the segment that
// contains x unless a node is already there; the current is added to it.
TNode* InsertNode(TCircle& c, TComplex current, double x);
// InsertNode on circle c, plus the rail return node on "RL1" for a loaded
// contact wire, plus zero-current nodes on every mutual partner.
TNode* InsertLoad(TGraff& g, int c, TComplex current, double x);
// A cross connection from circle a at xa to circle b at xb.
TBranch* AddConnection(TGraff& g, int a, int b, double xa, double xb, TComplex z);
// Connections at first, first+step, ... up to last. Raises ProgramError when
// first >= last or step is not positive.
void AddConnectionRange(TGraff& g, int a, int b, TComplex z, double step, double last, double first);
// Makes every listed circle a mutual partner of every other listed circle.
void SetMutualGroup(TGraff& g, const std::vector<int16_t>& list);
// The mutual impedance per km between circles a and b.
void SetMutualImpedance(TGraff& g, int a, int b, TComplex z);
// Deep copy of a numbered graph (ProgramError otherwise); the target is not numbered.
void CopyGraph(const TGraff& src, TGraff& dst);
// Empties the graph.
void FreeGraph(TGraff& g);

// Binary ".grf" graph files. Saving needs a numbered graph (ProgramError).
// Loading raises IoError on a short or inconsistent file and then leaves the
// graph as it was.
void SaveToFile(const TGraff& g, const WorkDir& wd, const std::string& name);
void LoadFromFile(TGraff& g, const WorkDir& wd, const std::string& name);
// The byte image of a graph file, and its parse (exposed for tests).
Bytes GraphToBytes(const TGraff& g);
void GraphFromBytes(TGraff& g, const Bytes& data);

}  // namespace tps
