#include "driver/seed.h"

#include "params/catalogue.h"
#include "params/conv.h"
#include "params/defaults.h"
#include "params/persist.h"
#include "traffic/schedule.h"

namespace tps {

std::vector<std::string> DefaultFileNames() {
  std::vector<std::string> names;
  for (int i = 0; i < 8; ++i) names.push_back(TableFileName(i));
  names.push_back("data\\prelvoz.dmt");
  for (char letter : kTrainLetters)
    for (int track = 1; track <= 2; ++track)
      for (bool dc : {true, false}) names.push_back("CurData\\" + ProfileFileName(letter, track, dc));
  for (char letter : kTrainLetters) names.push_back(std::string("Bitmap\\Train") + letter + ".bmp");
  names.push_back("Bitmap\\PPS.bmp");
  for (int code : DefaultStateCodes()) names.push_back(StateFileName(code));
  names.push_back("DATA\\global.dmt");
  names.push_back("gdp\\file00.gdp");
  return names;
}

void SeedDefaultData(const WorkDir& wd, std::vector<std::string>* written) {
  // Each file goes through a temporary file, so an interrupted start never
  // leaves a half-written file that a later start would take as the user's.
  auto seed = [&](const std::string& name, auto&& contents) {
    if (wd.Exists(name)) return;
    WriteFileBytesAtomic(wd, name, contents());
    if (written) written->push_back(name);
  };
  for (int i = 0; i < 8; ++i) {
    std::string name = TableFileName(i);
    if (wd.Exists(name)) continue;
    WriteTableEntries(wd, name, DefaultCatalogue(i));
    if (written) written->push_back(name);
  }
  seed("data\\prelvoz.dmt", [] {
    Bytes b = ProbRecordToBytes(DefaultProbTrainRecord(true));
    const Bytes ac = ProbRecordToBytes(DefaultProbTrainRecord(false));
    b.insert(b.end(), ac.begin(), ac.end());
    return b;
  });
  for (char letter : kTrainLetters) {
    for (int track = 1; track <= 2; ++track) {
      for (bool dc : {true, false}) {
        seed("CurData\\" + ProfileFileName(letter, track, dc), [&] {
          std::string text;
          for (const std::string& line : DefaultProfileLines(letter, track, dc)) text += line + "\r\n";
          std::string cp = Utf8ToCp1251(text);
          return Bytes(cp.begin(), cp.end());
        });
      }
    }
  }
  for (char letter : kTrainLetters)
    seed(std::string("Bitmap\\Train") + letter + ".bmp", [&] { return TrainBitmap(letter); });
  seed("Bitmap\\PPS.bmp", [] { return PostBitmap(); });
  for (int code : DefaultStateCodes())
    seed(StateFileName(code), [&] { return ParamsToBytes(DefaultState(code)); });
  seed("DATA\\global.dmt", [] { return DefaultGlobalRecord(); });
  seed("gdp\\file00.gdp", [] { return DefaultScheduleBytes(); });
}

// A working directory is new when it holds none of the default files: the
// program has never seeded it and the user has brought none of its data
// there. Once any of them is present the directory is the user's, and a file
// deleted from it stays deleted: a missing state file leaves the fields as
// they are, a missing "DATA\global.dmt" is made again by its loader from the
// program's own defaults, not from the shipped conductors. (Everything
// deleted at once makes the directory new again.) "tpscalc-cli seed" fills
// in missing files on demand.
void SeedNewWorkDir(const WorkDir& wd) {
  for (const std::string& name : DefaultFileNames())
    if (wd.Exists(name)) return;
  SeedDefaultData(wd);
}

}  // namespace tps
