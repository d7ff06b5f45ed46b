#include "driver/schedule_edit.h"

#include <cmath>
#include <limits>

#include "params/conv.h"
#include "validation/schedule_checks.h"

namespace tps {

const char* const kEventKindItems[5] = {"появился на участке", "проехал участок", "изменил скорость",
                                        "остался на зоне", "финализация"};
const char* const kTrainTypeItems[4] = {"грузовой", "скоростной", "электричка", "пассажирский"};

namespace {

constexpr const char* kFinalizationPoint = "Это финализация, а не событие";

bool HasSchedule(const TScheduleEditor& ed) {
  return ed.CurrentSchedule != nullptr;
}

const TEvents* SelectedPoint(const TScheduleEditor& ed) {
  if (!HasSchedule(ed) || ed.TimeIndex < 0) return nullptr;
  const std::vector<TEvents>& items = ed.CurrentSchedule->Schedule.Items;
  return static_cast<size_t>(ed.TimeIndex) < items.size() ? &items[ed.TimeIndex] : nullptr;
}

// A time point without events: the end of the schedule, not an event.
bool SelectedIsFinalization(const TScheduleEditor& ed) {
  const TEvents* tp = SelectedPoint(ed);
  return tp && tp->Events.empty();
}

// The step of the schedule in minutes when it is a positive finite number.
std::optional<double> ScheduleStep(const TScheduleEditor& ed) {
  double step = 0;
  if (!HasSchedule(ed) || !TryStrToFloat(ed.CurrentSchedule->Schedule.Header.StepMinutes.Get(), step) ||
      !std::isfinite(step) || step <= 0)
    return std::nullopt;
  return step;
}

void Release(TScheduleEditor& ed) {
  ed.CurrentSchedule.reset();
  ed.ReleasePending = false;
  ed.Times.clear();
  ed.Events.clear();
  ed.Details.clear();
  ed.TimeIndex = ed.EventIndex = -1;
}

// The time list filled again. The listing processes the host's events
// between its lines; "Выйти" pressed meanwhile stops it and the schedule is
// released here, after it. Returns false when the schedule is gone.
bool RefillTimes(AppState& st, TScheduleEditor& ed) {
  ed.Times.clear();
  if (!HasSchedule(ed)) return false;
  struct ListingMark {
    TScheduleEditor& ed;
    explicit ListingMark(TScheduleEditor& e) : ed(e) { ed.Listing = true; }
    ~ListingMark() {
      ed.Listing = false;
      if (ed.ReleasePending) Release(ed);
    }
  };
  {
    ListingMark mark(ed);
    std::vector<std::string> lines = ed.CurrentSchedule->ListTimes(st);
    ed.Times = std::move(lines);
  }
  return HasSchedule(ed);
}

void SelectTime(TScheduleEditor& ed, int index) {
  ed.TimeIndex = index >= 0 && static_cast<size_t>(index) < ed.Times.size() ? index : -1;
}

void RefillEvents(TScheduleEditor& ed) {
  ed.Events = HasSchedule(ed) ? ed.CurrentSchedule->ListEvents(ed.TimeIndex) : std::vector<std::string>{};
}

void RefillDetails(TScheduleEditor& ed) {
  ed.Details = HasSchedule(ed) ? ed.CurrentSchedule->DescribeEvent(ed.TimeIndex, ed.EventIndex)
                               : std::vector<std::string>{};
}

void SelectEvent(TScheduleEditor& ed, int index) {
  ed.EventIndex = index >= 0 && static_cast<size_t>(index) < ed.Events.size() ? index : -1;
}

uint8_t KindOf(const std::string& caption) {
  for (uint8_t k = 0; k < 5; ++k)
    if (caption == kEventKindItems[k]) return static_cast<uint8_t>(k + 1);
  return 0;
}

// The type code of a type caption; nothing for a caption of no known type.
std::optional<uint8_t> TypeOf(const std::string& caption) {
  if (caption == "грузовой") return ttFreight;
  if (caption == "скоростной") return ttExpress;
  if (caption == "электричка") return ttSuburban;
  if (caption == "пассажирский") return ttPassenger;
  return std::nullopt;
}

const char* TypeCaption(uint8_t code) {
  switch (code) {
    case ttFreight:
      return "грузовой";
    case ttExpress:
      return "скоростной";
    case ttPassenger:
      return "пассажирский";
    case ttSuburban:
      return "электричка";
    default:
      return nullptr;
  }
}

// The event of the input boxes (checked before). A train type the schedule
// has no code for is refused: it would be stored as a freight train.
std::optional<TGDPEvent> BuildEvent(AppState& st, const TScheduleEditor& ed) {
  const std::optional<uint8_t> type = TypeOf(ed.Fields.TrainKind);
  if (!type) {
    st.Message(MsgKind::Warning, "Неправильный тип поезда");
    return std::nullopt;
  }
  TGDPEvent ev;  // every byte zero, the unused ones included
  ev.Number = static_cast<uint16_t>(StrToInt(ed.Fields.TrainNumber));
  ev.ActiveCurrent = StrToFloat(ed.Fields.Active);
  ev.ReactiveCurrent = StrToFloat(ed.Fields.Reactive);
  ev.Position = StrToFloat(ed.Fields.Km);
  ev.Speed = StrToFloat(ed.Fields.Speed);
  ev.TypeCode = *type;
  ev.Kind = KindOf(ed.Fields.Event);
  return ev;
}

bool InputsAccepted(AppState& st, const TScheduleEditor& ed) {
  return HasSchedule(ed) && !ed.Listing && CheckScheduleEventInput(st, ed.Fields) == 0;
}

// "gdp\file00.gdp" whatever the letter case of its name and the separator.
bool IsDefaultSchedule(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return LowerName(path) == LowerName(std::string(kScheduleDir) + "\\" + kDefaultScheduleFile);
}

}  // namespace

// ------------------------------------------------------------------ entries

void NewSchedule(AppState& st, TScheduleEditor& ed) {
  auto gdp = std::make_unique<TGDPClass>();
  gdp->Init(st);
  Release(ed);
  ed.CurrentSchedule = std::move(gdp);
  ed.InputsShown = true;
  st.ModelTime = 0;
  st.StepCount = 0;
}

namespace {

void Load(AppState& st, TScheduleEditor& ed, const std::string& file, bool inputs) {
  auto gdp = std::make_unique<TGDPClass>();
  gdp->Init(st);
  gdp->LoadFromFile(st.Work, SchedulePath(file));
  Release(ed);
  ed.CurrentSchedule = std::move(gdp);
  ed.InputsShown = inputs;
}

}  // namespace

void ViewSchedule(AppState& st, TScheduleEditor& ed, const std::string& file) {
  if (ed.Listing) return;
  Load(st, ed, file, false);
}

void EditSchedule(AppState& st, TScheduleEditor& ed, const std::string& file, bool full) {
  if (ed.Listing) return;
  if (full)
    Load(st, ed, file, true);
  else
    RefillTimes(st, ed);
}

// ------------------------------------------------------- lists and fields

void ActivateEditor(AppState& st, TScheduleEditor& ed) {
  if (ed.Listing || !RefillTimes(st, ed)) return;
  TimeClicked(st, ed, 0);
}

void TimeClicked(AppState& st, TScheduleEditor& ed, int timeIndex) {
  if (ed.Listing || !HasSchedule(ed)) return;
  SelectTime(ed, timeIndex);
  RefillEvents(ed);
  EventClicked(st, ed, 0);
}

void EventClicked(AppState&, TScheduleEditor& ed, int eventIndex) {
  if (ed.Listing || !HasSchedule(ed)) return;
  SelectEvent(ed, eventIndex);
  RefillDetails(ed);
  if (!ed.Times.empty()) ShowEventFields(ed);
}

void ShowEventFields(TScheduleEditor& ed) {
  const TEvents* tp = SelectedPoint(ed);
  if (!tp || tp->Events.empty()) return;
  const size_t e = ed.EventIndex >= 0 && static_cast<size_t>(ed.EventIndex) < tp->Events.size()
                       ? static_cast<size_t>(ed.EventIndex)
                       : 0;
  const TGDPEvent& ev = tp->Events[e];
  ScheduleEventInput& f = ed.Fields;
  // The time of the point in days, hours and minutes. The minutes within the
  // hour keep two decimals; the product of the step and the time is taken to
  // a millionth first, so that 60 minutes made of steps of 0.1 read as a whole
  // hour and 59.6 minutes stay 59.6 minutes of the hour begun.
  if (const std::optional<double> step = ScheduleStep(ed)) {
    const double x = RoundTo(*step * tp->Time, 6);
    const double days = std::floor(x / 1440);
    const double hours = std::floor((x - days * 1440) / 60);
    const double minutes = Trunc(RoundTo((x - days * 1440 - hours * 60) * 100, 4)) / 100;
    f.Days = FloatToStr(days);
    f.Hours = FloatToStr(hours);
    f.Minutes = FloatToStr(minutes);
  }
  f.TrainNumber = std::to_string(ev.Number);
  f.Event = ev.Kind >= 1 && ev.Kind <= 5 ? kEventKindItems[ev.Kind - 1] : kChoosePrompt;
  if (const char* type = TypeCaption(ev.TypeCode)) f.TrainKind = type;
  f.Active = FloatToStr(ev.ActiveCurrent);
  f.Reactive = FloatToStr(ev.ReactiveCurrent);
  f.Km = FloatToStr(ev.Position);
  f.Speed = FloatToStr(ev.Speed);
}

std::optional<uint32_t> EventTimeSteps(AppState& st, const TScheduleEditor& ed) {
  const std::optional<double> step = ScheduleStep(ed);
  if (!step) {
    st.Message(MsgKind::Error,
               "Шаг ГДП не является положительным числом: '" +
                   (HasSchedule(ed) ? ed.CurrentSchedule->Schedule.Header.StepMinutes.Get() : std::string()) +
                   "'");
    return std::nullopt;
  }
  const double minutes = double(StrToInt(ed.Fields.Days)) * 1440 + double(StrToInt(ed.Fields.Hours)) * 60 +
                         StrToFloat(ed.Fields.Minutes);
  const double t = Round(minutes / *step);
  if (!std::isfinite(t) || t < 0 || t > double(std::numeric_limits<uint32_t>::max())) {
    st.Message(MsgKind::Error, "Время события за пределами ГДП с шагом " + FloatToStr(*step) + " мин");
    return std::nullopt;
  }
  return static_cast<uint32_t>(t);
}

// ---------------------------------------------------------------- buttons

bool AddEventClicked(AppState& st, TScheduleEditor& ed) {
  if (!InputsAccepted(st, ed)) return false;
  if (SelectedIsFinalization(ed)) {
    st.Message(MsgKind::Warning, kFinalizationPoint);
    return false;
  }
  const std::optional<TGDPEvent> ev = BuildEvent(st, ed);
  if (!ev) return false;
  const std::optional<uint32_t> t = EventTimeSteps(st, ed);
  if (!t) return false;
  ed.CurrentSchedule->AddEvent(*t, *ev);

  if (!RefillTimes(st, ed)) return true;
  SelectTime(ed, ed.CurrentSchedule->IndexOfTime(*t));
  RefillEvents(ed);
  SelectEvent(ed, static_cast<int>(ed.Events.size()) - 1);
  RefillDetails(ed);
  return true;
}

bool ReplaceClicked(AppState& st, TScheduleEditor& ed) {
  if (!InputsAccepted(st, ed)) return false;
  TGDPClass& gdp = *ed.CurrentSchedule;
  // A finalization point takes the new time where it stands: the points are
  // not sorted again, so a smaller time leaves the list out of order.
  if (!ed.Times.empty() && SelectedIsFinalization(ed)) {
    const std::optional<uint32_t> t = EventTimeSteps(st, ed);
    if (!t) return false;
    gdp.Schedule.Items[ed.TimeIndex].Time = *t;
    if (RefillTimes(st, ed)) TimeClicked(st, ed, 0);
    return true;
  }
  const std::optional<TGDPEvent> ev = BuildEvent(st, ed);
  if (!ev) return false;
  const std::optional<uint32_t> t = EventTimeSteps(st, ed);
  if (!t) return false;

  const int timeBefore = ed.TimeIndex, eventBefore = ed.EventIndex;
  if (!ed.Times.empty() && SelectedPoint(ed)) {
    if (ed.Events.size() == 1)
      gdp.DeleteTime(ed.TimeIndex);
    else if (ed.EventIndex >= 0 && static_cast<size_t>(ed.EventIndex) < SelectedPoint(ed)->Events.size())
      gdp.DeleteEvent(ed.TimeIndex, ed.EventIndex);
  }
  gdp.AddEvent(*t, *ev);

  if (!RefillTimes(st, ed)) return true;
  int timeIndex = timeBefore < 0 ? 0 : timeBefore;
  if (static_cast<size_t>(timeIndex) >= ed.Times.size()) timeIndex = static_cast<int>(ed.Times.size()) - 1;
  TimeClicked(st, ed, timeIndex);
  EventClicked(st, ed,
               eventBefore >= 0 && static_cast<size_t>(eventBefore) < ed.Events.size() ? eventBefore : 0);
  return true;
}

bool DeleteTimeClicked(AppState& st, TScheduleEditor& ed) {
  if (ed.Listing || !SelectedPoint(ed)) return false;
  if (SelectedIsFinalization(ed)) {
    st.Message(MsgKind::Warning, kFinalizationPoint);
    return false;
  }
  const int before = ed.TimeIndex;
  ed.CurrentSchedule->DeleteTime(before);
  if (!RefillTimes(st, ed)) return true;
  TimeClicked(st, ed, static_cast<size_t>(before) < ed.Times.size() ? before : 0);
  return true;
}

bool DeleteEventClicked(AppState& st, TScheduleEditor& ed) {
  if (ed.Listing || !SelectedPoint(ed)) return false;
  if (SelectedIsFinalization(ed)) {
    st.Message(MsgKind::Warning, kFinalizationPoint);
    return false;
  }
  if (ed.EventIndex < 0 || static_cast<size_t>(ed.EventIndex) >= SelectedPoint(ed)->Events.size())
    return false;
  const int before = ed.TimeIndex;
  ed.CurrentSchedule->DeleteEvent(before, ed.EventIndex);
  if (!RefillTimes(st, ed)) return true;
  TimeClicked(st, ed, static_cast<size_t>(before) < ed.Times.size() ? before : 0);
  return true;
}

// ------------------------------------------------------------- save, exit

bool SaveAndExit(AppState& st, TScheduleEditor& ed, const std::string& chosen) {
  if (!HasSchedule(ed) || ed.Listing || chosen.empty()) return false;
  std::string path = chosen;
  // The default extension of the save dialog.
  const size_t sep = path.find_last_of("\\/");
  if (path.find('.', sep == std::string::npos ? 0 : sep + 1) == std::string::npos) path += ".gdp";
  if (IsDefaultSchedule(path)) {
    st.Message(MsgKind::Information, "Нельзя заменить этот файл");
    return false;
  }
  if (st.Work.Exists(path) && st.Host &&
      !st.Host->ShowMessage(MsgKind::Warning, "Файл " + path + " уже существует. Заменить его?",
                            MsgButtons::OkCancel))
    return false;
  ed.CurrentSchedule->SaveToFile(st.Work, path);
  Release(ed);
  st.StepCount = 0;
  return true;
}

void ExitEditor(AppState& st, TScheduleEditor& ed) {
  st.ListingCancelled = true;
  if (ed.Listing)
    ed.ReleasePending = true;
  else
    Release(ed);
}

}  // namespace tps
