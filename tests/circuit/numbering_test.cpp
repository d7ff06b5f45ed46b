// Numbering circuit graphs, their matrices and the "graff.txt" listing.
#include "circuit/numbering.h"

#include <gtest/gtest.h>

#include "params/errors.h"
#include "test_support.h"

namespace tps {
namespace {

TParamBlock DcZone(const char* length = "20") {
  TParamBlock p;
  p.ZoneLength = length;
  p.UaRe = "3300";
  p.UaIm = "н/и";
  p.UbRe = "3350";
  p.UbIm = "н/и";
  return p;
}

TParamBlock AcZone(const char* length) {
  TParamBlock p;
  p.ZoneLength = length;
  p.UaRe = "27500";
  p.UaIm = "0";
  p.UbRe = "27500";
  p.UbIm = "0";
  return p;
}

// Sets the impedance per km of the line of every circle (before any train).
void SetLine(TGraff& g, TComplex perKm) {
  for (auto& c : g.Circles) {
    TBranch& line = *c->Branches[2];
    line.ZPerKm = perKm;
    line.Z = CMul(perKm, CFromReal(line.Length));
  }
}

// Compares a matrix with the expected rows, real parts and zero imaginary parts.
void ExpectMatrix(const CMat& m, const std::vector<std::vector<double>>& rows) {
  ASSERT_FALSE(m.Empty());
  ASSERT_EQ(m.Rows(), static_cast<int>(rows.size()));
  for (size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(m.Cols(), static_cast<int>(rows[i].size()));
    for (size_t j = 0; j < rows[i].size(); ++j) {
      EXPECT_NEAR(m(i + 1, j + 1).Re, rows[i][j], 1e-9) << "(" << i + 1 << ", " << j + 1 << ")";
      EXPECT_EQ(m(i + 1, j + 1).Im, 0) << "(" << i + 1 << ", " << j + 1 << ")";
    }
  }
}

class MatricesTest : public ::testing::Test {
 protected:
  tpstest::TempDir dir;
  AppState st;
  void SetUp() override { st.Work = dir.Work(); }
};

TEST_F(MatricesTest, SingleTrackDcWithOneTrain) {
  TGraff g;
  AddCircle(g, 0, DcZone());
  SetLine(g, {0.1, 0});
  InsertLoad(g, 0, {1000, 0}, 5);
  Number(g);
  EXPECT_TRUE(g.Numbered);
  BuildMatrices(st, g);
  const StepCircuit& sc = st.Circuit;
  EXPECT_EQ(sc.NodeCount, 3);
  EXPECT_EQ(sc.BranchCount, 4);
  // Source A into node 1, two segments, source B from node 3 to the ground.
  ExpectMatrix(sc.MatM, {{1, -1, 0, 0}, {0, 1, -1, 0}, {0, 0, 1, -1}});
  ExpectMatrix(sc.MatN, {{1, 1, 1, 1}});
  ExpectMatrix(sc.MatZ, {{0, 0, 0, 0}, {0, 0.5, 0, 0}, {0, 0, 1.5, 0}, {0, 0, 0, 0}});
  ExpectMatrix(sc.MatE, {{3300}, {0}, {0}, {-3350}});
  ExpectMatrix(sc.MatJ, {{0}, {1000}, {0}});
  // Where the nodes and branches lie.
  EXPECT_EQ(sc.NodeKm, (std::vector<double>{0, 5, 20}));
  EXPECT_EQ(sc.NodeCircle, (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(sc.BranchFrom, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(sc.BranchTo, (std::vector<int>{1, 2, 3, 0}));
  // Nothing is written unless asked.
  EXPECT_FALSE(st.Work.Exists("Temp\\matrM.txt"));
}

TEST_F(MatricesTest, MatricesAreWrittenWhenAsked) {
  TGraff g;
  AddCircle(g, 0, DcZone());
  InsertLoad(g, 0, {1000, 0}, 5);
  Number(g);
  st.Options.WriteMatrices = true;
  BuildMatrices(st, g);
  EXPECT_EQ(tpstest::ReadString(dir.Path() / "Temp" / "matrE.txt"), "3300 \r\n0 \r\n0 \r\n-3350 \r\n");
  EXPECT_EQ(tpstest::ReadString(dir.Path() / "Temp" / "matrJ.txt"), "0 \r\n1000 \r\n0 \r\n");
  EXPECT_EQ(tpstest::ReadString(dir.Path() / "Temp" / "matrN.txt"), "1 1 1 1 \r\n");
  EXPECT_TRUE(st.Work.Exists("Temp\\matrM.txt"));
  EXPECT_TRUE(st.Work.Exists("Temp\\matrZ.txt"));
}

TEST_F(MatricesTest, CircleWithoutTrainsIsItsOwnLoop) {
  TGraff g;
  AddCircle(g, 0, DcZone());
  AddCircle(g, 0, DcZone());
  InsertLoad(g, 0, {700, 0}, 8);
  Number(g);
  BuildMatrices(st, g);
  // Circle 0: 3 inner nodes, branches 1..3 and closing 6; circle 1: 2 inner
  // nodes, branches 4, 5 and closing 7.
  EXPECT_EQ(st.Circuit.NodeCount, 5);
  EXPECT_EQ(st.Circuit.BranchCount, 7);
  ExpectMatrix(st.Circuit.MatN, {{1, 1, 1, 0, 0, 1, 0}, {0, 0, 0, 1, 1, 0, 1}});
  const TCircle& c1 = *g.Circles[1];
  EXPECT_EQ(c1.Branches[1]->Number, 4);
  EXPECT_EQ(c1.Branches[2]->Number, 5);
  EXPECT_EQ(c1.Branches[3]->Number, 7);
  EXPECT_EQ(c1.Branches[3]->Appended, 1);
  EXPECT_EQ(g.Circles[0]->Branches[4]->Appended, 1);
  EXPECT_EQ(g.Circles[0]->Branches[3]->Appended, 0);
  ExpectMatrix(st.Circuit.MatE, {{3300}, {0}, {0}, {3300}, {0}, {-3350}, {-3350}});
}

TEST_F(MatricesTest, ConnectionClosesTheLoopThroughBothCircles) {
  TGraff g;
  AddCircle(g, 0, DcZone());
  AddCircle(g, 0, DcZone());
  TBranch* con = AddConnection(g, 0, 1, 8, 12, {0.25, 0});
  Number(g);
  EXPECT_EQ(con->Number, 9);
  EXPECT_EQ(con->FromNode, 2);
  EXPECT_EQ(con->ToNode, 5);
  EXPECT_EQ(con->Appended, 1);
  BuildMatrices(st, g);
  const StepCircuit& sc = st.Circuit;
  EXPECT_EQ(sc.NodeCount, 6);
  EXPECT_EQ(sc.BranchCount, 9);
  ASSERT_EQ(sc.MatN.Rows(), 3);
  // Ground - source A - km 0..8 of circle 0 - the connection - back along
  // km 12..0 of circle 1 - source A of circle 1 - ground.
  ExpectMatrix(sc.MatN, {{1, 1, 1, 0, 0, 0, 1, 0, 0},
                         {0, 0, 0, 1, 1, 1, 0, 1, 0},
                         {1, 1, 0, -1, -1, 0, 0, 0, 1}});
  EXPECT_EQ(sc.MatM(2, 9).Re, -1);
  EXPECT_EQ(sc.MatM(5, 9).Re, 1);
  int nonZero = 0;
  for (int i = 1; i <= 6; ++i) nonZero += sc.MatM(i, 9).Re != 0;
  EXPECT_EQ(nonZero, 2);
  EXPECT_EQ(sc.MatZ(9, 9).Re, 0.25);
  EXPECT_EQ(sc.MatE(9, 1).Re, 0);
}

TEST_F(MatricesTest, ConnectionWithinOneCircleStillClosesALoop) {
  // A link between km 4 and km 15 of one conductor: the loop is km 4..15
  // along the conductor and back through the link.
  TGraff g;
  AddCircle(g, 0, DcZone());
  AddConnection(g, 0, 0, 15, 4, {0.5, 0});
  Number(g);
  BuildMatrices(st, g);
  // Branches: 1 source A, 2 km 0..4, 3 km 4..15, 4 km 15..20, 5 source B, 6 the link.
  ExpectMatrix(st.Circuit.MatN, {{1, 1, 1, 1, 1, 0}, {0, 0, 1, 0, 0, 1}});
}

TEST_F(MatricesTest, MutualImpedanceAtBothMirroredPlaces) {
  TGraff g;
  AddCircle(g, 0, AcZone("30"));
  AddCircle(g, 0, AcZone("30"));
  SetMutualGroup(g, {0, 1});
  SetMutualImpedance(g, 0, 1, {0.05, 0.3});
  SetLine(g, {0.2, 0.6});
  InsertLoad(g, 0, {300, 120}, 7);
  Number(g);
  BuildMatrices(st, g);
  const CMat& Z = st.Circuit.MatZ;
  ASSERT_EQ(st.Circuit.BranchCount, 8);
  // Branch 2 (km 0..7) of track 1 pairs with branch 5 of track 2, branch 3
  // (km 7..30) with branch 6.
  EXPECT_NEAR(Z(2, 5).Re, 0.35, 1e-9);
  EXPECT_NEAR(Z(2, 5).Im, 2.1, 1e-9);
  EXPECT_EQ(Z(5, 2), Z(2, 5));
  EXPECT_NEAR(Z(3, 6).Re, 1.15, 1e-9);
  EXPECT_NEAR(Z(3, 6).Im, 6.9, 1e-9);
  EXPECT_EQ(Z(6, 3), Z(3, 6));
  EXPECT_NEAR(Z(2, 2).Re, 1.4, 1e-9);
  EXPECT_NEAR(Z(2, 2).Im, 4.2, 1e-9);
  // No other coupling.
  int offDiagonal = 0;
  for (int i = 1; i <= 8; ++i)
    for (int j = 1; j <= 8; ++j)
      if (i != j && (Z(i, j).Re != 0 || Z(i, j).Im != 0)) ++offDiagonal;
  EXPECT_EQ(offDiagonal, 4);
  const TBranch& b = *g.Circles[0]->Branches[2];
  EXPECT_EQ(b.PartnerBranchCount, 1);
  ASSERT_EQ(b.MutualBranches.size(), 1u);
  EXPECT_EQ(b.MutualBranches[0], g.Circles[1]->Branches[2].get());
  const CMat& J = st.Circuit.MatJ;
  ASSERT_EQ(J.Rows(), 6);
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(J(i, 1), (i == 2 ? TComplex{300, 120} : TComplex{})) << i;
}

TEST_F(MatricesTest, NumberingGivesATreeThenOneBranchPerLoop) {
  // Three coupled circles, posts, trains on two of them.
  TGraff g;
  for (int i = 0; i < 3; ++i) AddCircle(g, 0, AcZone("40"));
  AddCircle(g, 6, AcZone("40"));
  SetMutualGroup(g, {0, 1, 2});
  AddConnection(g, 0, 1, 12, 12, {0.01, 0});
  AddConnection(g, 1, 2, 25, 25, {0.01, 0});
  AddConnection(g, 2, 3, 33, 3, {0.01, 0});
  for (double km : {2.5, 12.0, 19.75, 40.0}) InsertLoad(g, 0, {100, 30}, km);
  for (double km : {31.0, 0.0, 8.5}) InsertLoad(g, 1, {80, 20}, km);
  Number(g);
  BuildMatrices(st, g);
  const int n = st.Circuit.NodeCount;
  const int b = st.Circuit.BranchCount;
  std::vector<const TBranch*> byNumber(b + 1, nullptr);
  for (const auto& c : g.Circles)
    for (int i = 1; i <= c->BranchCount; ++i) byNumber[c->Branches[i]->Number] = c->Branches[i].get();
  for (const auto& con : g.Connections) byNumber[con->Number] = con.get();
  for (int k = 1; k <= b; ++k) ASSERT_NE(byNumber[k], nullptr) << k;
  // Branch k <= n ends at node k and starts at the ground or a lower node.
  for (int k = 1; k <= n; ++k) {
    EXPECT_EQ(byNumber[k]->ToNode, k);
    EXPECT_LT(byNumber[k]->FromNode, k);
  }
  // The closing branches follow in circle order, then the connections.
  for (size_t c = 0; c < g.Circles.size(); ++c)
    EXPECT_EQ(g.Circles[c]->Branches[g.Circles[c]->BranchCount]->Number, n + 1 + static_cast<int>(c));
  // Row r of the loop matrix holds exactly one of the branches above n: n + r.
  const CMat& N = st.Circuit.MatN;
  ASSERT_EQ(N.Rows(), b - n);
  for (int r = 1; r <= b - n; ++r)
    for (int k = n + 1; k <= b; ++k) EXPECT_EQ(N(r, k).Re != 0, k == n + r) << r << " " << k;
  // Every loop satisfies the incidence: M * N^T = 0 (each loop enters every
  // node as often as it leaves it).
  const CMat& M = st.Circuit.MatM;
  for (int node = 1; node <= n; ++node)
    for (int r = 1; r <= b - n; ++r) {
      double sum = 0;
      for (int k = 1; k <= b; ++k) sum += M(node, k).Re * N(r, k).Re;
      EXPECT_EQ(sum, 0) << "node " << node << " loop " << r;
    }
}

TEST_F(MatricesTest, UnevenlyCutPartnersAreRefused) {
  TGraff g;
  AddCircle(g, 0, AcZone("30"));
  AddCircle(g, 0, AcZone("30"));
  SetMutualGroup(g, {0, 1});
  InsertNode(*g.Circles[0], {10, 0}, 5);  // bypasses the partner
  EXPECT_THROW(Number(g), ProgramError);
  EXPECT_FALSE(g.Numbered);
}

TEST_F(MatricesTest, UnnumberedGraphHasNoMatrices) {
  TGraff g;
  AddCircle(g, 0, DcZone());
  EXPECT_THROW(BuildMatrices(st, g), ProgramError);
  Number(g);
  InsertLoad(g, 0, {5, 0}, 3);
  EXPECT_THROW(BuildMatrices(st, g), ProgramError);
  EXPECT_TRUE(st.Circuit.MatM.Empty());
}

TEST_F(MatricesTest, MatricesAreFreshEveryStep) {
  TGraff g;
  AddCircle(g, 0, DcZone());
  InsertLoad(g, 0, {1000, 0}, 5);
  Number(g);
  BuildMatrices(st, g);
  CMat first = st.Circuit.MatJ;
  TGraff h;
  AddCircle(h, 0, DcZone());
  InsertLoad(h, 0, {400, 0}, 15);
  Number(h);
  BuildMatrices(st, h);
  EXPECT_FALSE(st.Circuit.MatJ.SameStorage(first));
  EXPECT_EQ(first(2, 1).Re, 1000);
  ExpectMatrix(st.Circuit.MatJ, {{0}, {400}, {0}});
}

// A small AC graph: two coupled circles, a post at km 4 and a train there.
void SmallGraph(TGraff& g) {
  AddCircle(g, 0, AcZone("10"));
  AddCircle(g, 0, AcZone("10"));
  SetMutualGroup(g, {0, 1});
  SetMutualImpedance(g, 0, 1, {0.5, 0.25});
  AddConnection(g, 0, 1, 4, 4, {0.1, 0});
  InsertLoad(g, 0, {250.5, -30}, 4);
}

TEST(GraphTextTest, ListingOfASmallGraph) {
  tpstest::TempDir dir;
  TGraff g;
  SmallGraph(g);
  Number(g);
  WriteGraphText(g, dir.Work(), "graff.txt");
  const std::string want =
      "NIL1: (.0.)[0]_0___1___1_(.1.)[0]_1___2___2_(.2.)[250.5]_2___3___3_(.3.)[0]_3___7___0_(.0.)[0]\r\n"
      "\r\n"
      "NIL2: (.0.)[0]_0___4___4_(.4.)[0]_4___5___5_(.5.)[0]_5___6___6_(.6.)[0]_6___8___0_(.0.)[0]\r\n"
      "\r\n"
      "\r\n"
      "\r\n"
      "{0}(2) ===9==> (5){1}\r\n"
      "\r\n"
      "\r\n"
      "{0} || {1}\r\n"
      "{1} || {0}\r\n"
      "\r\n"
      "\r\n"
      "1 ~~>  4 = 0\r\n"
      "2 ~~>  5 = 2\r\n"
      "3 ~~>  6 = 3\r\n"
      "7 ~~>  8 = 0\r\n"
      "4 ~~>  1 = 0\r\n"
      "5 ~~>  2 = 2\r\n"
      "6 ~~>  3 = 3\r\n"
      "8 ~~>  7 = 0\r\n";
  EXPECT_EQ(tpstest::ReadString(dir.Path() / "graff.txt"), want);
}

TEST(GraphTextTest, ListingWithoutCouplingOrConnections) {
  tpstest::TempDir dir;
  TGraff g;
  AddCircle(g, 6, DcZone("5"));
  InsertLoad(g, 0, {-12.25, 0}, 1.5);
  Number(g);
  WriteGraphText(g, dir.Work(), "graff.txt");
  EXPECT_EQ(tpstest::ReadString(dir.Path() / "graff.txt"),
            "RL1: (.0.)[0]_0___1___1_(.1.)[0]_1___2___2_(.2.)[-12.25]_2___3___3_(.3.)[0]_3___4___0_(.0.)[0]\r\n"
            "\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
}

TEST(GraphTextTest, SavedAndReloadedGraphListsTheSame) {
  tpstest::TempDir dir;
  TGraff g;
  SmallGraph(g);
  AddCircle(g, 6, AcZone("10"));
  AddConnectionRange(g, 1, 2, {0.02, 0}, 2.5, 9, 1);
  InsertLoad(g, 1, {90, 45}, 6.2);
  Number(g);
  WriteGraphText(g, dir.Work(), "before.txt");
  SaveToFile(g, dir.Work(), "graff\\scheme.grf");

  TGraff back;
  LoadFromFile(back, dir.Work(), "graff\\scheme.grf");
  EXPECT_FALSE(back.Numbered);
  Number(back);
  WriteGraphText(back, dir.Work(), "after.txt");
  EXPECT_EQ(tpstest::ReadString(dir.Path() / "after.txt"), tpstest::ReadString(dir.Path() / "before.txt"));

  // And the matrices agree too.
  AppState a, b;
  a.Work = b.Work = dir.Work();
  BuildMatrices(a, g);
  BuildMatrices(b, back);
  ASSERT_EQ(a.Circuit.BranchCount, b.Circuit.BranchCount);
  for (int i = 1; i <= a.Circuit.BranchCount; ++i)
    for (int j = 1; j <= a.Circuit.BranchCount; ++j) EXPECT_EQ(a.Circuit.MatZ(i, j), b.Circuit.MatZ(i, j));
}

}  // namespace
}  // namespace tps

namespace tps {

TEST(MatrixText, RealPartsOneLinePerRow) {
  tpstest::TempDir t;
  WorkDir wd = t.Work();
  CMat A(2, 3);
  A(1, 1) = {1, 9};
  A(1, 2) = {-0.5, 0};
  A(1, 3) = {1e-7, 0};
  A(2, 1) = {3300, 0};
  A(2, 2) = {0, 0};
  A(2, 3) = {0.1, 0};
  WriteMatText(wd, A, 2, 3, "Temp\\matrM.txt");
  EXPECT_EQ(tpstest::ReadString(t.Path() / "Temp" / "matrM.txt"),
            "1 -0.5 1E-7 \r\n3300 0 0.1 \r\n");
  // Written again, the file holds only the new matrix.
  WriteMatText(wd, A, 1, 1, "temp\\MATRM.txt");
  EXPECT_EQ(tpstest::ReadString(t.Path() / "Temp" / "matrM.txt"), "1 \r\n");
}

}  // namespace tps
