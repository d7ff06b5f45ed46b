// The checks of typed-in values: each reads texts as numbers, compares them
// with a range and, on failure, shows one warning that names the value and
// the rule. Every check returns 1 when it refused (the message has been
// shown) and 0 when the input is valid.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "params/state.h"

namespace tps {

int CheckReal(AppState& st, const std::string& text, const std::string& name, double lo, double hi,
              bool loIncl, bool hiIncl);
int CheckInteger(AppState& st, const std::string& text, const std::string& name, int32_t lo,
                 int32_t hi, bool loIncl, bool hiIncl);
int CheckChoice(AppState& st, const std::string& value, const std::string& kindWord,
                const std::string (&allowed)[5]);

// Uses st.SchemeVariant, st.Params, st.RunMode, st.Prob. On a zone-length
// failure st.Controls.ZoneLengthEnabled becomes true.
int CheckMainInput(AppState& st);
int CheckTrainParameters(AppState& st);

struct ScheduleEventInput {
  std::string Days, Hours, Minutes, TrainNumber, Active, Reactive, Speed, Km, Event, TrainKind;
};
int CheckScheduleEventInput(AppState& st, const ScheduleEventInput& in);

struct TaskInput {
  std::string Left, Right, Step;
};
int CheckPskTaskInput(AppState& st, const TaskInput& in);
int CheckPskPpsTaskInput(AppState& st, const TaskInput& in);

struct SourceAndLineInput {
  std::string UaRe, UaIm, UbRe, UbIm, R, X;
};
int CheckSourceAndLine(AppState& st, const SourceAndLineInput& in);
int CheckMutual(AppState& st, const std::string& r, const std::string& x);
int CheckPostPlace(AppState& st, const std::string& place);
struct ConnectorInput {
  std::string Start, End, Step, R, X;
};
int CheckConnectors(AppState& st, const ConnectorInput& in);
// Each selector text must be "н/и" or one of its own items.
int CheckChartCircles(AppState& st, const std::string (&texts)[4],
                      const std::vector<std::string> (&items)[4]);

}  // namespace tps
