// The checks of the secondary windows: the schedule editor's event boxes, the
// two placement tasks and the scheme constructor.
#include "validation/checks.h"

#include "params/conv.h"

namespace tps {

namespace {

constexpr bool kIn = true;
constexpr bool kOut = false;

// The zone length bounds the places typed in these windows. Unlike the main
// window's list, no earlier rule here has read it, so a zone-length field
// that holds no number is refused here with the zone-length message instead
// of ending the command with a conversion error.
bool ZoneLengthValue(AppState& st, double& zone) {
  std::string text = st.Params.ZoneLength.Get();
  if (TryStrToFloat(text, zone)) return true;
  st.Message(MsgKind::Warning, "Значение длины зоны: '" + text + "' - введено неверно");
  st.Controls.ZoneLengthEnabled = true;
  st.Notify(Changed::Controls);
  return false;
}

// Left bound, right bound, step, and the number of places they give.
int CheckTaskInput(AppState& st, const TaskInput& in, const char* countName, double minCount) {
  double zone = 0;
  if (!ZoneLengthValue(st, zone)) return 1;
  if (CheckReal(st, in.Left, "левой границы", 0, zone, kOut, kOut)) return 1;
  double left = StrToFloat(in.Left);
  if (CheckReal(st, in.Right, "правой границы", left, zone, kOut, kOut)) return 1;
  double right = StrToFloat(in.Right);
  if (CheckReal(st, in.Step, "шага", 0, right - left, kOut, kIn)) return 1;
  double step = StrToFloat(in.Step);
  // The count is checked as the text the general conversion writes for it.
  std::string count = FloatToStr((right - left) / step);
  return CheckReal(st, count, countName, minCount, 5000, kIn, kIn);
}

}  // namespace

int CheckScheduleEventInput(AppState& st, const ScheduleEventInput& in) {
  // "(а)" and "(р)" of the current names are Cyrillic letters.
  if (CheckInteger(st, in.Days, "суток", 0, 365, kIn, kIn)) return 1;
  if (CheckInteger(st, in.Hours, "часов", 0, 23, kIn, kIn)) return 1;
  if (CheckReal(st, in.Minutes, "минут", 0, 60, kIn, kOut)) return 1;
  if (CheckInteger(st, in.TrainNumber, "номера поезда", 1, 999, kIn, kIn)) return 1;
  if (CheckReal(st, in.Active, "тока(а)", -5000, 5000, kIn, kIn)) return 1;
  if (CheckReal(st, in.Reactive, "тока(р)", -5000, 5000, kIn, kIn)) return 1;
  if (CheckReal(st, in.Speed, "скорости", 0, 455, kIn, kIn)) return 1;
  if (CheckReal(st, in.Km, "места положения поезда", 0, 200, kIn, kOut)) return 1;
  static const std::string kEvents[5] = {"появился на участке", "проехал участок", "изменил скорость",
                                         "финализация", "остался на зоне"};
  if (CheckChoice(st, in.Event, "события", kEvents)) return 1;
  static const std::string kKinds[5] = {"грузовой", "скоростной", "электричка", "барыжный",
                                        "пассажирский"};
  return CheckChoice(st, in.TrainKind, "поезда", kKinds);
}

int CheckPskTaskInput(AppState& st, const TaskInput& in) {
  return CheckTaskInput(st, in, "возможного количества ПСК", 1);
}

int CheckPskPpsTaskInput(AppState& st, const TaskInput& in) {
  return CheckTaskInput(st, in, "возможного количества ПСК и ППС", 3);
}

int CheckSourceAndLine(AppState& st, const SourceAndLineInput& in) {
  if (CheckReal(st, in.UaRe, "Акт Напр первой ТП", -100000, 100000, kOut, kOut)) return 1;
  if (CheckReal(st, in.UaIm, "Реакт Напр первой ТП", -100000, 100000, kOut, kOut)) return 1;
  if (CheckReal(st, in.UbRe, "Акт Напр второй ТП", -100000, 100000, kOut, kOut)) return 1;
  if (CheckReal(st, in.UbIm, "Реакт Напр второй ТП", -100000, 100000, kOut, kOut)) return 1;
  if (CheckReal(st, in.R, "Акт сопротивления 1км", 0, 20, kIn, kOut)) return 1;
  return CheckReal(st, in.X, "Реакт сопротивления 1км", -20, 20, kOut, kOut);
}

int CheckMutual(AppState& st, const std::string& r, const std::string& x) {
  if (CheckReal(st, r, "Акт сопротивления взаимоиндукции 1км", 0, 20, kIn, kOut)) return 1;
  return CheckReal(st, x, "Реакт сопротивления взаимоиндукции 1км", -20, 20, kOut, kOut);
}

int CheckPostPlace(AppState& st, const std::string& place) {
  double zone = 0;
  if (!ZoneLengthValue(st, zone)) return 1;
  return CheckReal(st, place, "места положения ПСК(ППС)", 0, zone, kOut, kOut);
}

int CheckConnectors(AppState& st, const ConnectorInput& in) {
  double zone = 0;
  if (!ZoneLengthValue(st, zone)) return 1;
  if (CheckReal(st, in.Start, "нач. точки установки соединителей", 0, zone, kOut, kOut)) return 1;
  double start = StrToFloat(in.Start);
  if (CheckReal(st, in.End, "кон. точки установки соединителей", start, zone, kOut, kOut)) return 1;
  if (CheckReal(st, in.Step, "шага установки соединителей", 0, zone - start, kOut, kOut)) return 1;
  if (CheckReal(st, in.R, "Акт сопротивления", 0, 20, kIn, kOut)) return 1;
  return CheckReal(st, in.X, "Реакт сопротивления", -20, 20, kOut, kOut);
}

int CheckChartCircles(AppState& st, const std::string (&texts)[4],
                      const std::vector<std::string> (&items)[4]) {
  for (int k = 0; k < 4; ++k) {
    if (texts[k] == kNotGiven) continue;
    bool listed = false;
    for (const std::string& item : items[k])
      if (texts[k] == item) { listed = true; break; }
    if (!listed) {
      st.Message(MsgKind::Warning, "Задайте правильные типы Цирклов для графиков");
      return 1;
    }
  }
  return 0;
}

}  // namespace tps
