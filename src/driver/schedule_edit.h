// The schedule editor ("Чтение ГДП"): a schedule made from scratch, viewed or
// changed event by event, and saved as a ".gdp" file. The editor holds the
// schedule it works on, the three lists it shows (time points, the events of
// the selected time point, the details of the selected event), the selection
// and the texts of its input boxes. Every button of the dialog is one
// operation here; the dialog copies its boxes into `Fields`, calls the
// operation and shows the editor again.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "params/state.h"
#include "traffic/schedule.h"
#include "validation/checks.h"

namespace tps {

// The captions of the two choice boxes, in the order of their lists.
inline constexpr const char* kChoosePrompt = "Выбор";
extern const char* const kEventKindItems[5];  // kinds 1..5
extern const char* const kTrainTypeItems[4];  // codes 0, 1, 3, 2

struct TScheduleEditor {
  std::unique_ptr<TGDPClass> CurrentSchedule;
  // What the dialog shows.
  std::vector<std::string> Times, Events, Details;
  int TimeIndex = -1, EventIndex = -1;
  // The three input panels and "Сохранить и выйти" (hidden when only viewing).
  bool InputsShown = false;
  // The input boxes: time of the event, the event and its parameters.
  ScheduleEventInput Fields{"0", "0", "1", "1", "100", "0", "60", "0", kChoosePrompt, kChoosePrompt};
  // A time list is being filled (the host's events are processed between its
  // lines): the other buttons wait, and "Выйти" releases the schedule only
  // when the listing has stopped.
  bool Listing = false;
  bool ReleasePending = false;
};

// "Новый ГДП": a new schedule of the current parameter block and scheme, the
// lists empty, the inputs shown; the model clock and the step counter to 0.
void NewSchedule(AppState& st, TScheduleEditor& ed);
// "Просмотр ГДП", "Смотреть ГДП": the schedule `file` of the "gdp" list,
// the inputs hidden. A file that cannot be read raises IoError and leaves
// the editor as it was.
void ViewSchedule(AppState& st, TScheduleEditor& ed, const std::string& file);
// "Редагировать ГДП" (full): the schedule `file` with the inputs shown.
// Not full: only the time list filled again.
void EditSchedule(AppState& st, TScheduleEditor& ed, const std::string& file, bool full);

// The dialog coming up: the time list, its first line, the time-list click.
void ActivateEditor(AppState& st, TScheduleEditor& ed);
// A click in the time list (the events of that point, the first selected)
// and in the event list (its details and, in the input boxes, its fields).
void TimeClicked(AppState& st, TScheduleEditor& ed, int timeIndex);
void EventClicked(AppState& st, TScheduleEditor& ed, int eventIndex);
// The selected event into the input boxes: its time as days, hours and
// minutes, its number, kind, type, current, position and speed.
void ShowEventFields(TScheduleEditor& ed);
// The time of the input boxes in steps of the schedule: (days x 1440 +
// hours x 60 + minutes) / step rounded to the nearest, ties to even. Nothing
// (the message shown) when the schedule's step is not a positive number or
// the time goes beyond the range of a time point.
std::optional<uint32_t> EventTimeSteps(AppState& st, const TScheduleEditor& ed);

// "Добавить событие", "Заменить", "Удалить временную точку", "Удалить
// событие". Each returns true when the schedule changed; a refused input
// shows its message and leaves the schedule as it was.
bool AddEventClicked(AppState& st, TScheduleEditor& ed);
bool ReplaceClicked(AppState& st, TScheduleEditor& ed);
bool DeleteTimeClicked(AppState& st, TScheduleEditor& ed);
bool DeleteEventClicked(AppState& st, TScheduleEditor& ed);

// The name offered by "Сохранить и выйти".
inline constexpr const char* kSaveNamePreset = "gdp\\file00.gdp";
// "Сохранить и выйти" with the name the user confirmed (a program path; a
// name without an extension takes ".gdp"). The default schedule
// "gdp\file00.gdp" is never replaced ("Нельзя заменить этот файл"); another
// existing file is replaced only when the user answers OK to the question.
// Saved: the schedule is released, the step counter goes to 0 and the
// dialog closes (true). Refused or cancelled: the editor keeps everything
// (false). A failed write raises IoError and keeps the old file.
bool SaveAndExit(AppState& st, TScheduleEditor& ed, const std::string& path);
// "Выйти": a time list being filled stops, and the schedule is released
// (once that listing has stopped); nothing is saved.
void ExitEditor(AppState& st, TScheduleEditor& ed);

}  // namespace tps
