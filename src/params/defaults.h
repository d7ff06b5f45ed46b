// The default data a new user starts with: the eight conductor catalogues, the
// probabilistic train parameters, the sixteen current profiles, the pictures of
// the scheme display, a saved state for each of the twelve scheme codes and the
// conductor defaults. The figures live as text under data/ in the source tree
// and are embedded into the program when it is built; the files of a working
// directory are written from them by the program's own writers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "params/catalogue.h"
#include "params/fileio.h"
#include "params/params.h"
#include "params/persist.h"

namespace tps {

// One file of data/, embedded at build time (Name relative to data/, with "/").
struct EmbeddedDataFile {
  const char* Name;
  const char* Data;
  size_t Size;
};
extern const EmbeddedDataFile kEmbeddedDataFiles[];
extern const size_t kEmbeddedDataFileCount;

// The text of an embedded data file ("catalogue/KP.csv"); ProgramError when
// there is none of that name.
std::string_view EmbeddedData(std::string_view name);

// The contents of the default files, built from the embedded data.
std::vector<TConductorEntry> DefaultCatalogue(int index);  // catalogue index 0..7
// The train flow of direct-current lines (dc) or of alternating-current
// lines; "data\prelvoz.dmt" ships both, the first record and the second.
TProbTrainRecord DefaultProbTrainRecord(bool dc = true);
// The scheme codes that ship a saved state: 11, 12, 14, 16, 18, 19, 21, 22,
// 23, 24, 26, 29.
std::vector<int> DefaultStateCodes();
TParamBlock DefaultState(int code);
// The 216 bytes of "DATA\global.dmt" as shipped.
Bytes DefaultGlobalRecord();

// The letters of the four train kinds: freight, express, passenger, suburban.
inline constexpr char kTrainLetters[4] = {'F', 'S', 'P', 'E'};

// Current profiles: the file name "pt<letter>_<track>_post.cmt" (direct
// current) or "_perem.cmt", and its lines "km active reactive". Track-2
// profiles are the track-1 ones mirrored about the middle of their 60 km, in
// the order a train from the far end meets the points.
inline constexpr double kProfileLength = 60;
std::string ProfileFileName(char letter, int track, bool dc);
std::vector<std::string> DefaultProfileLines(char letter, int track, bool dc);

// The pictures of the scheme display as 24-bit BMP files: a train of kind
// letter F, S, P or E (20 x 40) and the post marker (10 x 90).
Bytes TrainBitmap(char letter);
Bytes PostBitmap();


}  // namespace tps
