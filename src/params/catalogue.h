// The conductor reference catalogue: eight tables of 48-byte entries (contact
// wires, messenger wires, reinforcing feeders, rails; each for alternating and
// for direct current), one file each under DATA.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "params/conv.h"

namespace tps {

struct AppState;
class WorkDir;

#pragma pack(push, 1)
struct TConductorEntry {
  ShortStr<20> Name;          // 0
  uint8_t Reserved1[3] = {};  // 21
  double R = 0;               // 24 Ohm/km
  uint8_t Reserved2[8] = {};  // 32
  double Radius = 0;          // 40 cm
};
#pragma pack(pop)
static_assert(sizeof(TConductorEntry) == 48, "a catalogue entry is a 48-byte record");

inline constexpr int kTableCapacity = 21;

// The tables of the zone's current kind, one per conductor kind.
struct ConductorTables {
  std::vector<TConductorEntry> ContactWireTable;
  std::vector<TConductorEntry> MessengerTable;
  std::vector<TConductorEntry> FeederTable;
  std::vector<TConductorEntry> RailTable;
};

// Catalogue index 0..7 -> "DATA\KP.dmt" .. "DATA\R_post.dmt", window caption.
std::string TableFileName(int index);
std::string TableCaption(int index);
// "_post" for direct-current codes (below 20, also 0), "" otherwise.
std::string TableSuffix(int schemeCode);

// One row of the catalogue window: the three texts as shown.
struct CatalogueRow {
  std::string Name, R, Radius;
  bool operator==(const CatalogueRow&) const = default;
};

std::vector<TConductorEntry> ReadTableEntries(const WorkDir& wd, const std::string& fileName);
void WriteTableEntries(const WorkDir& wd, const std::string& fileName,
                       const std::vector<TConductorEntry>& entries);

// Fills st.Catalogue for the scheme code (four files of the current kind).
// A file with more than 21 entries gives its first 21 and a warning naming it.
void LoadConductorTables(AppState& st, int schemeCode);
// The twenty texts of the time-step list, 0.1 .. 2, refilled with the tables.
std::vector<std::string> StepListTexts();
// The rows of a table file for the catalogue window; a missing file gives none.
std::vector<CatalogueRow> ReadTableFile(const AppState& st, int index);
// Writes the rows; a value that is not a number, a resistance below 0 or a
// radius the table's conductors cannot have refuses with a warning naming the
// row and leaves the file as it was. An empty catalogue writes nothing.
// Returns true when the file was written.
bool WriteTableFile(AppState& st, int index, const std::vector<CatalogueRow>& rows);

// The traction-network window's choice of entry i of a list: copies name,
// resistance and radius into Params. Returns the text of the resistance field;
// an entry whose values the scheme cannot use is refused with a warning,
// changes nothing and gives an empty text.
enum class ConductorKind { ContactWire, Messenger, Feeder, Rail };
std::string ChooseConductor(AppState& st, ConductorKind kind, int i);

}  // namespace tps
