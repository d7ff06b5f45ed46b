// The checks that a schedule fits the zone as it is now: the scheme it was
// made for, its zone length and its step. They colour the value labels of
// the schedule panel (st.ScheduleLabelColours) and, when asked to report,
// refuse with one message. Like the other checks they return 1 when they
// refuse and 0 when the schedule fits.
#pragma once

#include <string>

#include "params/state.h"

namespace tps {

// The program path of a schedule of the list: "gdp\" + name; an empty name
// is the default schedule "file00.gdp".
std::string SchedulePath(const std::string& file);

// Schedule and constructor modes only (0 at once otherwise): the schedule
// `file` against st.SchemeVariant, the zone length and the step of
// st.Params. Message "Неправильный тип схемных параметров" when reporting.
// A missing or damaged file raises IoError.
int CheckScheduleMatch(AppState& st, const std::string& file, bool report);
// The same without the scheme; message "Неправильная длина зоны или шаг".
int CheckScheduleZoneStep(AppState& st, const std::string& file, bool report);

}  // namespace tps
