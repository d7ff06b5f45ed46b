// The default schedule a new user starts with, made from its text form by the
// program's own writer.
#include "params/defaults.h"
#include "params/errors.h"
#include "traffic/schedule.h"

namespace tps {

Bytes DefaultScheduleBytes() {
  TGDPClass gdp;
  gdp.Schedule.Header = DefaultState(kDefaultScheduleCode);
  gdp.Schedule.Variant = 3;  // the variant of code 14
  std::string error;
  if (!ScheduleFromText(EmbeddedData(kDefaultScheduleSource), gdp, error))
    throw ProgramError(std::string("В данных ") + kDefaultScheduleSource + ": " + error);
  return gdp.ToBytes();
}

}  // namespace tps
