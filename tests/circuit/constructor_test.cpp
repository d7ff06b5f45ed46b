// The scheme constructor's wizard operations and the circuit of a
// constructor-mode step.
#include "circuit/constructor.h"

#include <gtest/gtest.h>

#include "circuit/numbering.h"
#include "params/errors.h"
#include "zone_fixture.h"

namespace tps {
namespace {

struct Wizard : tpstest::Zone {
  explicit Wizard(bool ac = false, const char* zoneKm = "20") : Zone(ac ? 8 : 2, zoneKm) {
    S().RunMode = ModeConstructor;
    RestartConstructor(S());
    ChooseCurrentKind(S(), ac, false);
  }
  ConstructorSession& C() { return Constructor(S()); }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& m : host.messages) t.push_back(m.text);
    return t;
  }
  void Train(int track, int number, double km, double amps) {
    elvoz t;
    t.Number = static_cast<int16_t>(number);
    t.Km = km;
    t.Current = {amps, 0};
    (track == 1 ? S().Trains.Trains1 : S().Trains.Trains2).push_back(t);
  }
  // The impedance of the closing branch of a chain in the step's matrices.
  TComplex ClosingZ(int chain) {
    const TCircle& c = *C().Current->Circles[chain];
    const int b = c.Branches[c.BranchCount]->Number;
    return S().Circuit.MatZ(b, b);
  }
};

ChainInput Chain(const char* kind, const char* r = "0.15") {
  ChainInput in;
  in.Kind = kind;
  in.R = r;
  return in;
}

TEST(Constructor, ChainsConnectionsRowsAndTheirRefusals) {
  Wizard w(false, "25");
  AppState& st = w.S();
  EXPECT_FALSE(AddChain(st, Chain("КП+РЛ")));
  EXPECT_FALSE(AddChain(st, Chain("КП", "20")));  // R must stay below 20
  ASSERT_TRUE(AddChain(st, Chain("КП+НТ+РЛ")));
  // One chain: nothing to connect, and both warnings.
  EXPECT_FALSE(AddSingleConnection(st, "NIL1", "NIL1", "10"));
  ASSERT_TRUE(AddChain(st, Chain("КП+НТ+РЛ")));
  ChainInput passive = Chain("РЛ", "0.02");
  passive.Passive = true;
  ASSERT_TRUE(AddChain(st, passive));
  EXPECT_EQ(w.C().ChainNames(), (std::vector<std::string>{"NIL1", "NIL2", "RL1"}));
  EXPECT_EQ(w.C().ChainLines, (std::vector<std::string>{"NIL1 U[3300 0] Z[3.75 0]",
                                                        "NIL2 U[3300 0] Z[3.75 0]", "RL1 U[0 0] Z[0.5 0]"}));
  EXPECT_EQ(WizardNext(st), 3);  // DC: no mutual step

  EXPECT_FALSE(AddSingleConnection(st, "NIL1", "NIL1", "10"));
  EXPECT_FALSE(AddSingleConnection(st, "NIL1", "NIL2", "25"));  // the place lies inside the zone
  ASSERT_TRUE(AddSingleConnection(st, "NIL1", "NIL2", "10"));
  EXPECT_EQ(w.C().ConnectionLines, std::vector<std::string>{"NIL1 - NIL2 L[10]"});

  // A row from 1 to 20 km with step 1 adds 20 connections.
  ConnectionRowInput row;
  row.To = "25";
  EXPECT_FALSE(AddConnectionRow(st, "NIL1", "RL1", row));  // the end lies inside the zone
  row.To = "20";
  ASSERT_TRUE(AddConnectionRow(st, "NIL1", "RL1", row));
  EXPECT_EQ(w.C().Template.ConnectionCount, 21);
  EXPECT_EQ(w.C().RowLines, std::vector<std::string>{"NIL1 - RL1 [1 - 20]"});
  // A row of a tiny step is refused before anything is added.
  row.Step = "0.00001";
  EXPECT_FALSE(AddConnectionRow(st, "NIL1", "RL1", row));
  EXPECT_EQ(w.C().Template.ConnectionCount, 21);
  EXPECT_EQ(w.C().Template.Circles[2]->NodeCount, 4 + 20);

  EXPECT_EQ(w.Texts(), (std::vector<std::string>{
                           "Задайте правильный тип Циркла из предложеных",
                           "Значение Акт сопротивления 1км: '20' - не лежит между 0 и <20",
                           "Надо иметь минимум 2 Циркла!",
                           "Задайте 2 разные типы Цирклов из предложеных",
                           "Задайте 2 разные типы Цирклов из предложеных",
                           "Значение места положения ПСК(ППС): '25' - не лежит между 0> и <25",
                           "Значение кон. точки установки соединителей: '25' - не лежит между 1> и <25",
                           "Слишком много соединителей: 1900001 в ряду, а в схеме не больше 2000",
                       }));
}

TEST(Constructor, DcCatenaryWithoutTrainsIsFedFromSubstationAOnly) {
  Wizard w;
  AppState& st = w.S();
  ASSERT_TRUE(AddChain(st, Chain("КП+НТ+РЛ")));
  ASSERT_TRUE(AddChain(st, Chain("КП+НТ+РЛ")));
  w.Train(2, 2, 12, 800);
  BuildConstructorCircuit(st);
  EXPECT_EQ(w.ClosingZ(0).Re, 9999999999.0);  // NIL1: no train on track 1
  EXPECT_EQ(w.ClosingZ(1).Re, 0);             // NIL2 carries train 2
  EXPECT_EQ(st.Circuit.NodeCount, 5);
  EXPECT_EQ(st.Circuit.NodeTrain, (std::vector<int>{0, 0, 0, 2, 0}));
  EXPECT_TRUE(st.Work.Exists("graff.txt"));
}

TEST(Constructor, SingleCatenaryChainCarriesTheTrainsOfBothTracks) {
  Wizard w;
  AppState& st = w.S();
  ASSERT_TRUE(AddChain(st, Chain("КП+НТ")));
  w.Train(2, 2, 8, 500);
  BuildConstructorCircuit(st);
  EXPECT_EQ(w.C().Current->Circles[0]->Name, "KPNT1");
  EXPECT_EQ(w.ClosingZ(0).Re, 0);  // fed from both ends while a train is on it
  EXPECT_EQ(st.Circuit.NodeTrain, (std::vector<int>{0, 2, 0}));
  EXPECT_EQ(st.Circuit.MatJ(2, 1).Re, 500);
  st.Trains.Trains2.clear();
  BuildConstructorCircuit(st);
  EXPECT_EQ(w.ClosingZ(0).Re, 9999999999.0);  // the combined catenary counts as a catenary
}

TEST(Constructor, ContactWireTrainReturnsItsCurrentThroughTheRails) {
  Wizard w;
  AppState& st = w.S();
  ASSERT_TRUE(AddChain(st, Chain("КП")));
  ChainInput rail = Chain("РЛ", "0.02");
  rail.Passive = true;
  ASSERT_TRUE(AddChain(st, rail));
  w.Train(1, 1, 5, 1000);
  w.Train(1, 3, 12.5, 600);
  BuildConstructorCircuit(st);
  const StepCircuit& sc = st.Circuit;
  // KP1: nodes 1 (km 0), 2 (5), 3 (12.5), 4 (20); RL1: 5 (0), 6 (5), 7 (12.5), 8 (20).
  std::vector<std::pair<double, double>> injected;  // (km, current) of every loaded node
  for (int i = 1; i <= sc.NodeCount; ++i)
    if (sc.MatJ(i, 1).Re != 0) injected.emplace_back(sc.NodeKm[i - 1], sc.MatJ(i, 1).Re);
  EXPECT_EQ(injected,
            (std::vector<std::pair<double, double>>{{5, 1000}, {12.5, 600}, {5, -1000}, {12.5, -600}}));
  EXPECT_EQ(sc.NodeTrain, (std::vector<int>{0, 1, 3, 0, 0, 0, 0, 0}));
  EXPECT_EQ(w.C().ReturnTrainAtNode, (std::vector<int>{0, 0, 0, 0, 0, 1, 3, 0}));
}

TEST(Constructor, SavedGraphLoadsAtTheChartStepNumbered) {
  Wizard w(true);
  AppState& st = w.S();
  ChainInput ac = Chain("КП", "0.1");
  ac.X = "0.4";
  ac.UaRe = ac.UbRe = "27500";
  ASSERT_TRUE(AddChain(st, ac));
  ASSERT_TRUE(AddChain(st, ac));
  EXPECT_EQ(WizardNext(st), 2);  // AC with two chains: mutual step
  ASSERT_TRUE(AddMutual(st, "KP1", "KP2", "0.05", "0.2"));
  EXPECT_FALSE(AddMutual(st, "KP1", "KP1", "0.05", "0.2"));
  EXPECT_EQ(WizardNext(st), 3);
  ASSERT_TRUE(AddSingleConnection(st, "KP1", "KP2", "7"));
  w.C().Charts[0] = "KP1 н";
  w.C().Charts[3] = "KP2 к";
  SaveConstructorGraph(st, "graff\\two.grf");
  const Bytes saved = ReadFileBytes(st.Work, "graff\\two.grf");
  EXPECT_EQ(
      ReadTextLines(st.Work, "graff\\two.gch"),
      (std::vector<std::string>{"current=ac", "console=0", "F1=KP1 н", "F2=н/и", "F3=н/и", "F4=KP2 к"}));
  EXPECT_EQ(ListGraphFiles(st), std::vector<std::string>{"two.grf"});

  RestartConstructor(st);
  w.C().AcMode = false;
  LoadConstructorGraph(st, "graff\\two.grf");
  const ConstructorSession& c = w.C();
  EXPECT_EQ(c.WizardStep, 5);
  EXPECT_TRUE(c.Template.Numbered);
  EXPECT_TRUE(c.AcMode);
  EXPECT_EQ(c.Charts[0], "KP1 н");
  EXPECT_EQ(c.Charts[3], "KP2 к");
  EXPECT_EQ(c.ChainLines,
            (std::vector<std::string>{"KP1 U[27500 0] Z0[0.1 0.4]", "KP2 U[27500 0] Z0[0.1 0.4]"}));
  EXPECT_EQ(c.ConnectionLines, std::vector<std::string>{"KP1 - KP2 [7 ]"});
  EXPECT_EQ(c.MutualLines, (std::vector<std::string>{"Этот Граф", "создан для длины 20"}));
  EXPECT_EQ(c.ChartItems(), (std::vector<std::string>{"н/и", "KP1 н", "KP1 к", "KP2 н", "KP2 к"}));
  // Saved again, the file is the same byte for byte.
  SaveConstructorGraph(st, "graff\\again.grf");
  EXPECT_EQ(ReadFileBytes(st.Work, "graff\\again.grf"), saved);

  // Deleting: nothing selected, cancelled, confirmed.
  EXPECT_FALSE(DeleteConstructorGraph(st, ""));
  w.host.answer = false;
  EXPECT_FALSE(DeleteConstructorGraph(st, "graff\\two.grf"));
  w.host.answer = true;
  EXPECT_TRUE(DeleteConstructorGraph(st, "graff\\two.grf"));
  EXPECT_FALSE(st.Work.Exists("graff\\two.grf"));
  EXPECT_FALSE(st.Work.Exists("graff\\two.gch"));
  EXPECT_EQ(w.C().WizardStep, 0);
  const auto& m = w.host.messages;
  ASSERT_GE(m.size(), 4u);
  EXPECT_EQ(m[m.size() - 3].text, "Выберите файл для удаления!");
  EXPECT_EQ(m.back().text, "Вы уверены, что файл надо убить?!");
  EXPECT_EQ(m.back().buttons, MsgButtons::OkCancel);
}

}  // namespace
}  // namespace tps
