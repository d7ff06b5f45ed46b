// Building circuit graphs: circles, node insertion at trains and posts,
// connections, mutual coupling and copies.
#include "circuit/graph.h"

#include <gtest/gtest.h>

#include <cmath>

#include "circuit/numbering.h"
#include "params/errors.h"

namespace tps {
namespace {

TParamBlock Zone(const char* length = "20", const char* ua = "3300", const char* uaIm = "н/и",
                 const char* ub = "3300", const char* ubIm = "н/и") {
  TParamBlock p;
  p.ZoneLength = length;
  p.UaRe = ua;
  p.UaIm = uaIm;
  p.UbRe = ub;
  p.UbIm = ubIm;
  return p;
}

void ExpectC(TComplex got, double re, double im) {
  EXPECT_DOUBLE_EQ(got.Re, re);
  EXPECT_DOUBLE_EQ(got.Im, im);
}

// The lengths of the branches 1..BranchCount of a circle.
std::vector<double> Lengths(const TCircle& c) {
  std::vector<double> v;
  for (int i = 1; i <= c.BranchCount; ++i) v.push_back(c.Branches[i]->Length);
  return v;
}

// Checks the shape every circle keeps: ground nodes at both ends (by
// position in the array), one node more than branches, all arrays in step.
void ExpectShape(const TCircle& c) {
  EXPECT_EQ(c.NodeCount, c.Nodes.size());
  EXPECT_EQ(c.BranchCount + 1u, c.Branches.size());
  EXPECT_EQ(c.NodeCount, c.BranchCount + 1);
  EXPECT_EQ(c.Branches[0], nullptr);
}

TEST(CircleTest, NamesCountCirclesOfTheSameKind) {
  TGraff g;
  TParamBlock p = Zone();
  EXPECT_EQ(AddCircle(g, 0, p), 0);
  EXPECT_EQ(AddCircle(g, 6, p), 1);
  EXPECT_EQ(AddCircle(g, 0, p), 2);
  EXPECT_EQ(AddCircle(g, 3, p), 3);
  EXPECT_EQ(AddCircle(g, 42, p), 4);  // an unknown kind names itself "NIL" but counts only its own kind
  EXPECT_EQ(g.CircleCount, 5);
  EXPECT_EQ(g.Circles[0]->Name, "NIL1");
  EXPECT_EQ(g.Circles[1]->Name, "RL1");
  EXPECT_EQ(g.Circles[2]->Name, "NIL2");
  EXPECT_EQ(g.Circles[3]->Name, "KPNT1");
  EXPECT_EQ(g.Circles[4]->Name, "NIL1");
  for (int i = 0; i < 5; ++i) EXPECT_EQ(g.Circles[i]->Index, i);
}

TEST(CircleTest, NameIsCutToSixCharacters) {
  TGraff g;
  TParamBlock p = Zone();
  for (int i = 0; i < 10; ++i) AddCircle(g, 3, p);
  EXPECT_EQ(g.Circles[8]->Name, "KPNT9");
  EXPECT_EQ(g.Circles[9]->Name, "KPNT10");
  AddCircle(g, 7, p);
  EXPECT_EQ(g.Circles[10]->Name, "GND1");
}

TEST(CircleTest, KindNames) {
  const char* names[] = {"NIL", "KP", "NT", "KPNT", "UP", "ET", "RL", "GND"};
  for (int k = 0; k < 8; ++k) EXPECT_EQ(KindName(k), names[k]);
  EXPECT_EQ(KindName(8), "NIL");
  EXPECT_EQ(KindName(-1), "NIL");
}

TEST(CircleTest, FreshCircleIsSourceLineSource) {
  TGraff g;
  AddCircle(g, 0, Zone("12.5", "3300", "н/и", "3400", "н/и"));
  AddCircle(g, 0, Zone("12.5", "3300", "н/и", "3400", "н/и"));
  const TCircle& c = *g.Circles[1];
  ExpectShape(c);
  EXPECT_EQ(c.NodeCount, 4);
  EXPECT_EQ(c.BranchCount, 3);
  EXPECT_DOUBLE_EQ(c.Length, 12.5);
  const uint16_t numbers[] = {0, 1, 2, 0};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(c.Nodes[i]->Number, numbers[i]);
    EXPECT_EQ(c.Nodes[i]->HasLoad, 0);
    EXPECT_EQ(c.Nodes[i]->Circle, 1);
  }
  const TBranch& a = *c.Branches[1];
  EXPECT_EQ(a.HasEmf, 1);
  EXPECT_EQ(a.Forward, 1);
  ExpectC(a.Emf, 3300, 0);
  EXPECT_EQ(a.Length, 0);
  const TBranch& line = *c.Branches[2];
  EXPECT_EQ(line.HasEmf, 0);
  EXPECT_DOUBLE_EQ(line.Length, 12.5);
  const TBranch& b = *c.Branches[3];
  EXPECT_EQ(b.HasEmf, 1);
  EXPECT_EQ(b.Forward, 0);
  ExpectC(b.Emf, 3400, 0);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(c.Branches[i]->Number, i);
    EXPECT_EQ(c.Branches[i]->FromCircle, 1);
    EXPECT_EQ(c.Branches[i]->ToCircle, 1);
    EXPECT_EQ(c.Branches[i]->Appended, 0);
  }
}

TEST(CircleTest, VoltagesOfAnAcZone) {
  TGraff g;
  AddCircle(g, 0, Zone("30", "27500", "-1200.5", "27000", "300"));
  ExpectC(g.Circles[0]->Branches[1]->Emf, 27500, -1200.5);
  ExpectC(g.Circles[0]->Branches[3]->Emf, 27000, 300);
  TGraff h;
  AddCircle(h, 0, Zone("30", "27500", "н/и", "н/и", "н/и"));
  ExpectC(h.Circles[0]->Branches[3]->Emf, 0, 0);
}

TEST(CircleTest, VoltageThatIsNotANumberIsRefused) {
  TGraff g;
  EXPECT_THROW(AddCircle(g, 0, Zone("20", "н/и")), ConvertError);
  EXPECT_THROW(AddCircle(g, 0, Zone("20", "33OO")), ConvertError);
  EXPECT_THROW(AddCircle(g, 0, Zone("20", "3300", "x")), ConvertError);
  EXPECT_THROW(AddCircle(g, 0, Zone("двадцать")), ConvertError);
  EXPECT_EQ(g.CircleCount, 0);
  EXPECT_TRUE(g.Circles.empty());
}

TEST(InsertTest, TwoTrainsAtOneKmShareANode) {
  TGraff g;
  AddCircle(g, 0, Zone());
  TNode* a = InsertLoad(g, 0, {300, 10}, 7.25);
  TNode* b = InsertLoad(g, 0, {150, -4}, 7.25);
  EXPECT_EQ(a, b);
  const TCircle& c = *g.Circles[0];
  ExpectShape(c);
  EXPECT_EQ(c.NodeCount, 5);
  EXPECT_EQ(a->HasLoad, 1);
  ExpectC(a->Current, 450, 6);
  EXPECT_DOUBLE_EQ(a->Position, 7.25);
  EXPECT_EQ(c.Nodes[2].get(), a);
}

TEST(InsertTest, TrainsAtTheZoneEndsLandOnTheEndNodes) {
  TGraff g;
  AddCircle(g, 0, Zone());
  const TCircle& c = *g.Circles[0];
  TNode* atA = InsertLoad(g, 0, {100, 0}, 0);
  TNode* atB = InsertLoad(g, 0, {200, 0}, 20);
  EXPECT_EQ(atA, c.Nodes[1].get());
  EXPECT_EQ(atB, c.Nodes[2].get());
  EXPECT_EQ(c.NodeCount, 4);
  EXPECT_EQ(c.BranchCount, 3);
  ExpectC(atA->Current, 100, 0);
  ExpectC(atB->Current, 200, 0);
  // Within a millionth of a km is the same place.
  EXPECT_EQ(InsertLoad(g, 0, {1, 0}, 20.0000004), atB);
  EXPECT_EQ(InsertLoad(g, 0, {1, 0}, -0.0000004), atA);
  EXPECT_EQ(c.NodeCount, 4);
}

TEST(InsertTest, SplitSegmentsFollowTheirLengths) {
  TGraff g;
  AddCircle(g, 0, Zone());
  TCircle& c = *g.Circles[0];
  c.Branches[2]->ZPerKm = {0.1, 0.4};
  c.Branches[2]->Z = {2, 8};
  InsertLoad(g, 0, {500, 0}, 5);
  InsertLoad(g, 0, {400, 0}, 12);
  InsertLoad(g, 0, {300, 0}, 2);  // before the first train: splits the first segment again
  ExpectShape(c);
  EXPECT_EQ(c.BranchCount, 6);
  const std::vector<double> want = {0, 2, 3, 7, 8, 0};
  const std::vector<double> got = Lengths(c);
  ASSERT_EQ(got.size(), want.size());
  double sum = 0;
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_NEAR(got[i], want[i], 1e-12) << "branch " << i + 1;
    sum += got[i];
  }
  EXPECT_NEAR(sum, 20, 1e-12);
  for (int i = 2; i <= 5; ++i) {
    const TBranch& b = *c.Branches[i];
    ExpectC(b.ZPerKm, 0.1, 0.4);
    EXPECT_NEAR(b.Z.Re, 0.1 * b.Length, 1e-9) << "branch " << i;
    EXPECT_NEAR(b.Z.Im, 0.4 * b.Length, 1e-9) << "branch " << i;
    EXPECT_EQ(b.HasEmf, 0);
  }
  // The sources stay at both ends.
  EXPECT_EQ(c.Branches[1]->HasEmf, 1);
  EXPECT_EQ(c.Branches[1]->Forward, 1);
  EXPECT_EQ(c.Branches[6]->HasEmf, 1);
  EXPECT_EQ(c.Branches[6]->Forward, 0);
  // Inner nodes in increasing order of position: 0 (A), 2, 5, 12; then B's
  // end of the line and the ground.
  EXPECT_DOUBLE_EQ(c.Nodes[2]->Position, 2);
  EXPECT_DOUBLE_EQ(c.Nodes[3]->Position, 5);
  EXPECT_DOUBLE_EQ(c.Nodes[4]->Position, 12);
  ExpectC(c.Nodes[2]->Current, 300, 0);
  ExpectC(c.Nodes[3]->Current, 500, 0);
  ExpectC(c.Nodes[4]->Current, 400, 0);
}

TEST(InsertTest, ZeroCurrentMakesAnUnloadedNode) {
  TGraff g;
  AddCircle(g, 0, Zone());
  TNode* n = InsertNode(*g.Circles[0], {}, 9);
  EXPECT_EQ(n->HasLoad, 0);
  ExpectC(n->Current, 0, 0);
  // A train added later at the same place loads it.
  EXPECT_EQ(InsertNode(*g.Circles[0], {0, 50}, 9), n);
  EXPECT_EQ(n->HasLoad, 1);
  // Zero added to a loaded node keeps it loaded.
  InsertNode(*g.Circles[0], {}, 9);
  EXPECT_EQ(n->HasLoad, 1);
}

TEST(InsertTest, PlaceOutsideTheCircleIsRefusedAndChangesNothing) {
  TGraff g;
  AddCircle(g, 0, Zone());
  Number(g);
  EXPECT_THROW(InsertLoad(g, 0, {100, 0}, -0.5), ProgramError);
  EXPECT_THROW(InsertLoad(g, 0, {100, 0}, 20.5), ProgramError);
  EXPECT_THROW(InsertLoad(g, 0, {100, 0}, std::nan("")), ProgramError);
  EXPECT_THROW(InsertLoad(g, 3, {100, 0}, 5), ProgramError);
  const TCircle& c = *g.Circles[0];
  EXPECT_EQ(c.NodeCount, 4);
  EXPECT_EQ(c.BranchCount, 3);
  EXPECT_DOUBLE_EQ(c.Branches[2]->Length, 20);
  for (const auto& n : c.Nodes) EXPECT_EQ(n->HasLoad, 0);
}

TEST(InsertTest, LoadingAGraphClearsItsNumbering) {
  TGraff g;
  AddCircle(g, 0, Zone());
  Number(g);
  EXPECT_TRUE(g.Numbered);
  InsertLoad(g, 0, {1, 0}, 3);
  EXPECT_FALSE(g.Numbered);
  Number(g);
  AddConnection(g, 0, 0, 1, 2, {1, 0});
  EXPECT_FALSE(g.Numbered);
  Number(g);
  AddCircle(g, 0, Zone());
  EXPECT_FALSE(g.Numbered);
}

TEST(InsertTest, ContactWireTrainReturnsItsCurrentThroughTheRails) {
  TGraff g;
  TParamBlock p = Zone();
  const int kp = AddCircle(g, 1, p);
  const int rl = AddCircle(g, 6, p);
  g.ReturnNodes.push_back(nullptr);
  TNode* train = InsertLoad(g, kp, {600, 150}, 4);
  ExpectC(train->Current, 600, 150);
  ASSERT_EQ(g.ReturnNodes.size(), 1u);
  TNode* ret = g.ReturnNodes[0];
  ASSERT_NE(ret, nullptr);
  EXPECT_EQ(ret->Circle, rl);
  EXPECT_DOUBLE_EQ(ret->Position, 4);
  EXPECT_EQ(ret->HasLoad, 1);
  ExpectC(ret->Current, -600, -150);
  EXPECT_EQ(g.Circles[rl]->NodeCount, 5);

  // A connection (zero current) makes no return node.
  g.ReturnNodes.push_back(nullptr);
  AddConnection(g, kp, rl, 9, 9, {0.01, 0});
  EXPECT_EQ(g.ReturnNodes.back(), nullptr);
  // A train on the rails themselves or on an equivalent conductor neither.
  InsertLoad(g, rl, {10, 0}, 11);
  EXPECT_EQ(g.ReturnNodes.back(), nullptr);
}

TEST(InsertTest, ReturnNodeGoesToTheFirstCircleNamedRL1) {
  TGraff g;
  TParamBlock p = Zone();
  const int kpnt = AddCircle(g, 3, p);
  AddCircle(g, 0, p);
  const int rl1 = AddCircle(g, 6, p);
  const int rl2 = AddCircle(g, 6, p);
  // No entry prepared by the caller: the return node is still recorded.
  InsertLoad(g, kpnt, {80, 0}, 3);
  ASSERT_EQ(g.ReturnNodes.size(), 1u);
  EXPECT_EQ(g.ReturnNodes[0]->Circle, rl1);
  EXPECT_EQ(g.Circles[rl2]->NodeCount, 4);

  TGraff noRails;
  AddCircle(noRails, 1, p);
  InsertLoad(noRails, 0, {80, 0}, 3);
  EXPECT_TRUE(noRails.ReturnNodes.empty());
}

TEST(ConnectionTest, ConnectionAddedBeforeTrainsKeepsItsNodes) {
  TGraff g;
  TParamBlock p = Zone();
  AddCircle(g, 0, p);
  AddCircle(g, 0, p);
  TBranch* con = AddConnection(g, 0, 1, 10, 10, {0.002, 0});
  ASSERT_EQ(g.ConnectionCount, 1);
  EXPECT_EQ(g.Connections[0].get(), con);
  TNode* from = con->FromNodeRef;
  TNode* to = con->ToNodeRef;
  EXPECT_EQ(con->FromCircle, 0);
  EXPECT_EQ(con->ToCircle, 1);
  EXPECT_EQ(con->Appended, 1);
  EXPECT_EQ(con->HasEmf, 0);
  EXPECT_EQ(con->Length, 0);
  ExpectC(con->Z, 0.002, 0);
  ExpectC(con->ZPerKm, 0, 0);

  // Trains on both sides of the post on both tracks.
  InsertLoad(g, 0, {100, 0}, 4);
  InsertLoad(g, 0, {100, 0}, 15);
  InsertLoad(g, 1, {100, 0}, 12);
  InsertLoad(g, 1, {100, 0}, 3);
  EXPECT_EQ(con->FromNodeRef, from);
  EXPECT_EQ(con->ToNodeRef, to);
  EXPECT_EQ(g.Circles[0]->Nodes[3].get(), from);
  EXPECT_EQ(g.Circles[1]->Nodes[3].get(), to);
  EXPECT_DOUBLE_EQ(from->Position, 10);
  EXPECT_EQ(from->HasLoad, 0);
  // The segments beside the post are split, the post stays a node.
  EXPECT_EQ(Lengths(*g.Circles[0]), (std::vector<double>{0, 4, 6, 5, 5, 0}));
  EXPECT_EQ(Lengths(*g.Circles[1]), (std::vector<double>{0, 3, 7, 2, 8, 0}));
  // A train at the post is injected at the connection's node.
  EXPECT_EQ(InsertLoad(g, 0, {70, 0}, 10), from);
  ExpectC(from->Current, 70, 0);
}

TEST(ConnectionTest, RangeAddsEveryStepUpToTheLast) {
  TGraff g;
  TParamBlock p = Zone("25");
  AddCircle(g, 0, p);
  AddCircle(g, 6, p);
  AddConnectionRange(g, 0, 1, {0.5, 0}, 1, 20, 1);
  EXPECT_EQ(g.ConnectionCount, 20);
  EXPECT_DOUBLE_EQ(g.Connections[0]->FromNodeRef->Position, 1);
  EXPECT_DOUBLE_EQ(g.Connections[19]->ToNodeRef->Position, 20);
  EXPECT_EQ(g.Circles[0]->NodeCount, 4 + 20);  // km 1 .. 20 all lie inside the 25 km line
  EXPECT_EQ(g.Circles[0]->BranchCount, g.Circles[1]->BranchCount);
}

TEST(ConnectionTest, EmptyOrEndlessRangeIsRefused) {
  TGraff g;
  TParamBlock p = Zone();
  AddCircle(g, 0, p);
  AddCircle(g, 0, p);
  EXPECT_THROW(AddConnectionRange(g, 0, 1, {1, 0}, 1, 5, 5), ProgramError);
  EXPECT_THROW(AddConnectionRange(g, 0, 1, {1, 0}, 1, 5, 8), ProgramError);
  EXPECT_THROW(AddConnectionRange(g, 0, 1, {1, 0}, 0, 8, 5), ProgramError);
  EXPECT_THROW(AddConnectionRange(g, 0, 1, {1, 0}, -1, 8, 5), ProgramError);
  EXPECT_EQ(g.ConnectionCount, 0);
  EXPECT_EQ(g.Circles[0]->NodeCount, 4);
}

TEST(ConnectionTest, ConnectionToAMissingCircleIsRefused) {
  TGraff g;
  AddCircle(g, 0, Zone());
  EXPECT_THROW(AddConnection(g, 0, 1, 5, 5, {1, 0}), ProgramError);
  EXPECT_THROW(AddConnection(g, 0, 0, 5, 25, {1, 0}), ProgramError);
  EXPECT_EQ(g.ConnectionCount, 0);
  EXPECT_TRUE(g.Connections.empty());
}

TEST(MutualTest, CoupledCirclesKeepEqualSegmentation) {
  TGraff g;
  TParamBlock p = Zone("30", "27500", "0", "27500", "0");
  AddCircle(g, 0, p);
  AddCircle(g, 0, p);
  SetMutualGroup(g, {0, 1});
  SetMutualImpedance(g, 0, 1, {0.05, 0.3});
  EXPECT_EQ(g.MutualCount, 2);
  EXPECT_EQ(g.Circles[0]->Partners, (std::vector<uint8_t>{1}));
  EXPECT_EQ(g.Circles[1]->Partners, (std::vector<uint8_t>{0}));
  EXPECT_EQ(g.Circles[0]->PartnerCount, 1);
  ExpectC(g.Circles[0]->MutualPerKm[0], 0.05, 0.3);
  ExpectC(g.Circles[1]->MutualPerKm[0], 0.05, 0.3);

  InsertLoad(g, 0, {400, 200}, 7);
  InsertLoad(g, 1, {300, 100}, 22);
  InsertLoad(g, 0, {100, 50}, 22);
  const TCircle& c0 = *g.Circles[0];
  const TCircle& c1 = *g.Circles[1];
  EXPECT_EQ(c0.BranchCount, 5);
  EXPECT_EQ(c1.BranchCount, 5);
  EXPECT_EQ(Lengths(c0), Lengths(c1));
  // The partner's node at the train's km carries no current.
  EXPECT_DOUBLE_EQ(c1.Nodes[2]->Position, 7);
  EXPECT_EQ(c1.Nodes[2]->HasLoad, 0);
  ExpectC(c1.Nodes[2]->Current, 0, 0);
  ExpectC(c1.Nodes[3]->Current, 300, 100);
  ExpectC(c0.Nodes[3]->Current, 100, 50);
}

TEST(MutualTest, GroupOfThreePairsEveryOrderedPair) {
  TGraff g;
  TParamBlock p = Zone();
  for (int i = 0; i < 4; ++i) AddCircle(g, 0, p);
  SetMutualGroup(g, {0, 2, 3});
  EXPECT_EQ(g.MutualGroup, (std::vector<int16_t>{0, 2, 3}));
  EXPECT_EQ(g.Circles[0]->Partners, (std::vector<uint8_t>{2, 3}));
  EXPECT_EQ(g.Circles[2]->Partners, (std::vector<uint8_t>{0, 3}));
  EXPECT_EQ(g.Circles[3]->Partners, (std::vector<uint8_t>{0, 2}));
  EXPECT_TRUE(g.Circles[1]->Partners.empty());
  SetMutualImpedance(g, 2, 3, {0, 0.2});
  SetMutualImpedance(g, 0, 3, {0, 0.1});
  ExpectC(g.Circles[3]->MutualPerKm[0], 0, 0.1);
  ExpectC(g.Circles[3]->MutualPerKm[1], 0, 0.2);
  ExpectC(g.Circles[2]->MutualPerKm[0], 0, 0);
  ExpectC(g.Circles[2]->MutualPerKm[1], 0, 0.2);
  // A post on circle 2 cuts circles 0 and 3 too, but not circle 1.
  AddConnection(g, 2, 1, 6, 6, {0.01, 0});
  EXPECT_EQ(g.Circles[0]->BranchCount, 4);
  EXPECT_EQ(g.Circles[1]->BranchCount, 4);
  EXPECT_EQ(g.Circles[3]->BranchCount, 4);
  InsertLoad(g, 1, {5, 0}, 9);
  EXPECT_EQ(g.Circles[1]->BranchCount, 5);
  EXPECT_EQ(g.Circles[0]->BranchCount, 4);
}

TEST(MutualTest, GroupWithAMissingCircleIsRefused) {
  TGraff g;
  AddCircle(g, 0, Zone());
  EXPECT_THROW(SetMutualGroup(g, {0, 1}), ProgramError);
  EXPECT_EQ(g.MutualCount, 0);
  EXPECT_TRUE(g.Circles[0]->Partners.empty());
}

TEST(CopyTest, CopyIsDeepAndRepointsConnections) {
  TGraff src;
  TParamBlock p = Zone("30", "27500", "0", "27500", "0");
  AddCircle(src, 0, p);
  AddCircle(src, 0, p);
  SetMutualGroup(src, {0, 1});
  SetMutualImpedance(src, 0, 1, {0.05, 0.3});
  AddConnection(src, 0, 1, 12, 12, {0.001, 0});
  InsertLoad(src, 0, {100, 40}, 5);
  Number(src);

  TGraff dst;
  AddCircle(dst, 7, p);  // whatever the target held is replaced
  CopyGraph(src, dst);
  EXPECT_FALSE(dst.Numbered);
  ASSERT_EQ(dst.CircleCount, 2);
  ASSERT_EQ(dst.ConnectionCount, 1);
  EXPECT_EQ(dst.MutualCount, 2);
  EXPECT_EQ(dst.MutualGroup, src.MutualGroup);
  for (int ci = 0; ci < 2; ++ci) {
    const TCircle& a = *src.Circles[ci];
    const TCircle& b = *dst.Circles[ci];
    EXPECT_EQ(b.Name, a.Name);
    EXPECT_EQ(b.NodeCount, a.NodeCount);
    EXPECT_EQ(b.BranchCount, a.BranchCount);
    EXPECT_EQ(b.Partners, a.Partners);
    for (int j = 0; j < a.NodeCount; ++j) {
      EXPECT_NE(b.Nodes[j].get(), a.Nodes[j].get());
      EXPECT_EQ(b.Nodes[j]->Number, a.Nodes[j]->Number);
      EXPECT_EQ(b.Nodes[j]->Current, a.Nodes[j]->Current);
    }
    for (int i = 1; i <= a.BranchCount; ++i) {
      EXPECT_EQ(b.Branches[i]->Number, a.Branches[i]->Number);
      EXPECT_EQ(b.Branches[i]->Z, a.Branches[i]->Z);
      EXPECT_EQ(b.Branches[i]->Appended, a.Branches[i]->Appended);
      EXPECT_TRUE(b.Branches[i]->MutualBranches.empty());
      EXPECT_TRUE(b.Branches[i]->MutualZ.empty());
    }
  }
  const TBranch& con = *dst.Connections[0];
  EXPECT_EQ(con.FromNodeRef, dst.Circles[0]->Nodes[3].get());
  EXPECT_EQ(con.ToNodeRef, dst.Circles[1]->Nodes[3].get());
  EXPECT_EQ(con.FromNodeRef->Number, src.Connections[0]->FromNodeRef->Number);

  // Trains put into the copy leave the source as it was.
  InsertLoad(dst, 0, {1, 0}, 20);
  EXPECT_EQ(src.Circles[0]->BranchCount, 5);
  EXPECT_EQ(src.Circles[1]->BranchCount, 5);
  EXPECT_EQ(dst.Circles[1]->BranchCount, 6);
  EXPECT_TRUE(src.Numbered);
}

TEST(CopyTest, UnnumberedGraphIsNotCopied) {
  TGraff src;
  AddCircle(src, 0, Zone());
  TGraff dst;
  AddCircle(dst, 6, Zone());
  EXPECT_THROW(CopyGraph(src, dst), ProgramError);
  ASSERT_EQ(dst.CircleCount, 1);
  EXPECT_EQ(dst.Circles[0]->Name, "RL1");
}

TEST(CopyTest, FreeGraphEmptiesIt) {
  TGraff g;
  AddCircle(g, 0, Zone());
  AddCircle(g, 0, Zone());
  AddConnection(g, 0, 1, 3, 3, {1, 0});
  SetMutualGroup(g, {0, 1});
  Number(g);
  FreeGraph(g);
  EXPECT_EQ(g.CircleCount, 0);
  EXPECT_TRUE(g.Circles.empty());
  EXPECT_EQ(g.ConnectionCount, 0);
  EXPECT_TRUE(g.Connections.empty());
  EXPECT_EQ(g.MutualCount, 0);
  EXPECT_FALSE(g.Numbered);
  EXPECT_EQ(AddCircle(g, 0, Zone()), 0);
  EXPECT_EQ(g.Circles[0]->Name, "NIL1");
}

}  // namespace
}  // namespace tps
