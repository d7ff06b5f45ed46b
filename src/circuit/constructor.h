// The user scheme constructor: the template graph the user composes chain by
// chain (contact wire, messenger, feeder, screening wire, rails, earth or an
// equivalent conductor of a whole track), with mutual impedances, single
// cross connections and evenly spaced rows of connections, and the circuit of
// every step of a constructor-mode run built from it with the trains at their
// places. The wizard window and the command line call the same operations.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "arith/matr.h"
#include "circuit/graph.h"
#include "params/state.h"

namespace tps {

// The chain kinds of the kind list, in its order ("КП+НТ+РЛ" first).
const std::vector<std::string>& ChainKindTexts();
// The circle kind of a kind-list text; -1 for any other text.
int ChainKindOf(const std::string& text);

// The most chains and connections a user circuit holds.
inline constexpr int kMaxChains = 255;
inline constexpr int kMaxConnections = 2000;

struct ConstructorSession {
  TGraff Template;
  uint8_t WizardStep = 0;
  bool AcMode = false;   // "Переменный"
  bool Console = false;  // "Консоль": fed from substation A only
  // The four list boxes of the window.
  std::vector<std::string> ChainLines, MutualLines, ConnectionLines, RowLines;
  // The chart choices F1..F4: "н/и" or a chain name and " н" (its source A
  // branch) or " к" (its closing source B branch).
  std::string Charts[4] = {kNotGiven, kNotGiven, kNotGiven, kNotGiven};

  // The circuit of the step under way, freed by the solution of the step.
  std::unique_ptr<TGraff> Current;
  // Per node number - 1: the train whose rail return enters there, 0 = none.
  std::vector<int> ReturnTrainAtNode;
  // The template solved without trains at the start of a run; the steps
  // without a train on the zone take it.
  CMat KeptCurrents, KeptPotentials, KeptLoss;
  bool Kept = false;

  // The chain names in index order.
  std::vector<std::string> ChainNames() const;
  // The items of each chart selector: "н/и", then per chain "NAME н", "NAME к".
  std::vector<std::string> ChartItems() const;
};

// The session of the constructor window, created on the first call.
ConstructorSession& Constructor(AppState& st);

// "Конструктор схем": the zone length and the step must fit the schedule
// `file` of the list (message "Неправильная длина зоны или шаг"); then a fresh
// template, step 0. False when refused.
bool OpenConstructor(AppState& st, const std::string& scheduleFile);
// "<< Заново": an empty template, step 0, the lists emptied.
void RestartConstructor(AppState& st);

// "Далее >" of step 0: the current kind is fixed; step 1.
void ChooseCurrentKind(AppState& st, bool ac, bool console);
// "Далее >" of the later steps: in AC with more than one chain every chain is
// made a mutual partner of every other, then step 2; in DC step 3 from step 1;
// 2 -> 3 -> 4 -> 5; from step 5 the final screen (6). Returns the new step.
int WizardNext(AppState& st);

struct ChainInput {
  std::string Kind = "КП+НТ+РЛ";
  bool Passive = false;
  std::string UaRe = "3300", UaIm = "0", UbRe = "3300", UbIm = "0", R = "0", X = "0";
};
// Adds a chain; false (its warning shown) on a wrong kind or rejected values.
bool AddChain(AppState& st, const ChainInput& in);
// A mutual impedance per km between two chains.
bool AddMutual(AppState& st, const std::string& a, const std::string& b, const std::string& r,
               const std::string& x);
// A single connection (sectioning or parallel-connection post) at km L.
bool AddSingleConnection(AppState& st, const std::string& a, const std::string& b, const std::string& place);
struct ConnectionRowInput {
  std::string From = "1", To = "20", Step = "1", R = "0.05", X = "0";
};
// Connections of impedance R + jX at From, From + Step, ... up to To.
bool AddConnectionRow(AppState& st, const std::string& a, const std::string& b, const ConnectionRowInput& in);

// "Сохранить граф": the numbered template into the program path `file`
// ("graff\NAME.grf"), and beside it ("graff\NAME.gch") the current kind,
// "Консоль" and the chart choices.
void SaveConstructorGraph(AppState& st, const std::string& file);
// A double click on a graph of the list: the template and its lists from the
// file, numbered at once, and the chart-choice step 5 (the current kind,
// "Консоль" and the chart choices from the file beside it, when there is one).
void LoadConstructorGraph(AppState& st, const std::string& file);
// Deleting a graph file: without a selection "Выберите файл для удаления!";
// otherwise after the confirmation the file (and the one beside it) goes and
// the wizard returns to step 0. True when it was deleted.
bool DeleteConstructorGraph(AppState& st, const std::string& file);
// The graph files "graff\*.grf" by name.
std::vector<std::string> ListGraphFiles(const AppState& st);
// The file beside a graph: "graff\NAME.grf" -> "graff\NAME.gch".
std::string ChartChoicesPath(const std::string& graphFile);

// The circuit of one step of the constructor mode from the template, with
// the trains of both tracks at their places.
void BuildConstructorCircuit(AppState& st);

}  // namespace tps
