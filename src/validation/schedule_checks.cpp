#include "validation/schedule_checks.h"

#include "params/errors.h"
#include "traffic/schedule.h"

namespace tps {

namespace {

// The current variants a schedule made for variant t runs on; true also when
// t lies outside 1..12 (nothing to test there).
bool SchemeAccepted(int t, int v, bool& tested) {
  tested = true;
  auto in = [v](std::initializer_list<int> set) {
    for (int a : set)
      if (a == v) return true;
    return false;
  };
  switch (t) {
    case 1:
    case 2:
      return in({1, 2, 3, 4, 5, 7, 8, 9, 10, 11});
    case 3:
    case 4:
    case 5:
    case 6:
      return in({3, 4, 5, 6, 9, 10, 11, 12});
    case 7:
    case 8:
      return in({7, 8, 9, 10, 11});
    case 9:
    case 10:
    case 11:
    case 12:
      return in({9, 10, 11, 12});
    default:
      tested = false;
      return true;
  }
}

uint32_t Colour(bool ok) {
  return ok ? kLabelGreen : kLabelRed;
}

int Check(AppState& st, const std::string& file, bool report, bool scheme, const char* message) {
  if (st.RunMode != ModeSchedule && st.RunMode != ModeConstructor) return 0;
  TGDPClass gdp;
  gdp.Init(st);
  gdp.LoadFromFile(st.Work, SchedulePath(file));
  const TGDP& g = gdp.Schedule;
  ScheduleLabels& labels = st.ScheduleLabelColours;
  int result = 0;
  if (scheme) {
    bool tested = false;
    bool ok = SchemeAccepted(g.Variant, st.SchemeVariant, tested);
    if (tested) labels.Scheme = Colour(ok);
    if (!ok) result = 1;
  }
  // Texts against texts: a zone typed as 20.0 does not match a schedule of 20.
  bool zoneOk = g.Header.ZoneLength.Get() == st.Params.ZoneLength.Get();
  labels.ZoneLength = Colour(zoneOk);
  if (!zoneOk) result = 1;
  bool stepOk = g.Header.StepMinutes.Get() == st.Params.StepMinutes.Get();
  labels.Step = Colour(stepOk);
  if (!stepOk) result = 1;
  st.Notify(Changed::Labels);
  if (result == 1 && report) {
    st.Message(MsgKind::Warning, message);
    // The step list is given back so the user can choose the schedule's step.
    st.Controls.RunActive = false;
    st.Notify(Changed::Controls);
  }
  return result;
}

}  // namespace

std::string SchedulePath(const std::string& file) {
  // A name of the list is a plain file name: nothing outside the schedule directory.
  if (file.find_first_of("\\/") != std::string::npos || file == "." || file == "..")
    throw IoError("Неправильное имя файла ГДП: " + file);
  return std::string(kScheduleDir) + "\\" + (file.empty() ? kDefaultScheduleFile : file);
}

int CheckScheduleMatch(AppState& st, const std::string& file, bool report) {
  return Check(st, file, report, true, "Неправильный тип схемных параметров");
}

int CheckScheduleZoneStep(AppState& st, const std::string& file, bool report) {
  return Check(st, file, report, false, "Неправильная длина зоны или шаг");
}

}  // namespace tps
