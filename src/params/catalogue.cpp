// The conductor reference catalogue: the table files under DATA, the tables
// of the zone's current kind, the catalogue window's rows and the choice of a
// conductor in the traction-network window.
#include "params/catalogue.h"

#include <cstring>

#include "params/errors.h"
#include "params/physical_rules.h"
#include "params/state.h"

namespace tps {

namespace {

struct TableInfo {
  const char* base;
  const char* suffix;
  const char* caption;
};

const TableInfo kTables[8] = {
    {"KP", "", "Контактные провода на переменном токе"},
    {"NT", "", "Несущие троса на переменном токе"},
    {"UP", "", "Усиливающие провода на переменном токе"},
    {"R", "", "Рельсы на переменном токе"},
    {"KP", "_post", "Контактные провода на постоянном токе"},
    {"NT", "_post", "Несущие троса на постоянном токе"},
    {"UP", "_post", "Усиливающие провода на постоянном токе"},
    {"R", "_post", "Рельсы на постоянном токе"},
};

const TableInfo& Table(int index) {
  if (index < 0 || index > 7)
    throw ProgramError("Нет справочника с номером " + std::to_string(index));
  return kTables[index];
}

constexpr size_t kEntrySize = sizeof(TConductorEntry);

std::vector<TConductorEntry>& KindTable(ConductorTables& t, ConductorKind kind) {
  switch (kind) {
    case ConductorKind::ContactWire: return t.ContactWireTable;
    case ConductorKind::Messenger: return t.MessengerTable;
    case ConductorKind::Feeder: return t.FeederTable;
    case ConductorKind::Rail: return t.RailTable;
  }
  throw ProgramError("Неизвестный вид провода");
}

}  // namespace

std::string TableFileName(int index) {
  const TableInfo& t = Table(index);
  return std::string("DATA\\") + t.base + t.suffix + ".dmt";
}

std::string TableCaption(int index) { return Table(index).caption; }

std::string TableSuffix(int schemeCode) { return schemeCode < 20 ? "_post" : ""; }

std::vector<TConductorEntry> ReadTableEntries(const WorkDir& wd, const std::string& fileName) {
  Bytes b = ReadFileBytes(wd, fileName);
  ByteReader r(b, fileName);
  // Only the low 16 bits of the count are used.
  uint32_t n = r.U32() & 0xFFFFu;
  if (n == 0) throw IoError("Справочник " + fileName + " не содержит ни одной записи");
  if (r.Left() < n * kEntrySize)
    throw IoError("Справочник " + fileName + " короче, чем указано в нём (" + std::to_string(n) +
                  " записей)");
  std::vector<TConductorEntry> entries(n);
  for (TConductorEntry& e : entries) {
    uint8_t raw[kEntrySize];
    r.Raw(raw, kEntrySize);
    std::memcpy(&e.Name, raw, sizeof e.Name);
    std::memcpy(&e.R, raw + offsetof(TConductorEntry, R), sizeof(double));
    std::memcpy(&e.Radius, raw + offsetof(TConductorEntry, Radius), sizeof(double));
  }
  // A resistance that is not finite, below 0 or not below 20 Ohm/km, or a
  // radius that is not finite or below 0, exists in no conductor: the table
  // is refused whole. A radius of 0 stays possible (the
  // absent feeder, the DC tables); where a radius is used, it is checked there.
  for (size_t k = 0; k < entries.size(); ++k) {
    const TConductorEntry& e = entries[k];
    const char* name = "сопротивления";
    std::string reason = PhysicalFault(e.R, PhysicalSign::Resistance);
    double v = e.R;
    if (reason.empty()) {
      name = "радиуса";
      v = e.Radius;
      reason = PhysicalFault(e.Radius, PhysicalSign::NonNegative);
    }
    if (!reason.empty())
      throw IoError("Справочник " + fileName + " не загружен. Значение " + name + " в строке " +
                    std::to_string(k + 1) + ": '" + FloatToStr(v) + "' - " + reason);
  }
  return entries;
}

void WriteTableEntries(const WorkDir& wd, const std::string& fileName,
                       const std::vector<TConductorEntry>& entries) {
  if (entries.empty()) throw ProgramError("Справочник без записей не записывается: " + fileName);
  ByteWriter w;
  w.U32(static_cast<uint32_t>(entries.size()));
  for (const TConductorEntry& e : entries) {
    size_t len = e.Name.len > 20 ? 20 : e.Name.len;
    w.U8(static_cast<uint8_t>(len));
    w.Raw(e.Name.data, len);
    w.Zeros(20 - len);
    w.Zeros(3);
    w.F64(e.R);
    w.Zeros(8);
    w.F64(e.Radius);
  }
  // Through a temporary file, so a failed write keeps the old table whole.
  WriteFileBytesAtomic(wd, fileName, w.Data());
}

void LoadConductorTables(AppState& st, int schemeCode) {
  static const char* const kBases[4] = {"KP", "NT", "UP", "R"};
  static const ConductorKind kKinds[4] = {ConductorKind::ContactWire, ConductorKind::Messenger,
                                          ConductorKind::Feeder, ConductorKind::Rail};
  std::string suffix = TableSuffix(schemeCode);
  for (int k = 0; k < 4; ++k) {
    std::vector<TConductorEntry>& table = KindTable(st.Catalogue, kKinds[k]);
    table.clear();
    std::string name = std::string("DATA\\") + kBases[k] + suffix + ".dmt";
    std::vector<TConductorEntry> entries = ReadTableEntries(st.Work, name);
    if (entries.size() > static_cast<size_t>(kTableCapacity)) {
      entries.resize(kTableCapacity);
      st.Message(MsgKind::Warning, "Справочник " + name + " содержит больше " +
                                       std::to_string(kTableCapacity) +
                                       " записей: в списке показаны первые " +
                                       std::to_string(kTableCapacity));
    }
    table = std::move(entries);
  }
}

std::vector<std::string> StepListTexts() {
  std::vector<std::string> texts;
  for (int k = 1; k <= 20; ++k) texts.push_back(FloatToStr(k / 10.0));
  return texts;
}

std::vector<CatalogueRow> ReadTableFile(const AppState& st, int index) {
  std::string name = TableFileName(index);
  std::vector<CatalogueRow> rows;
  if (!st.Work.Exists(name)) return rows;
  for (const TConductorEntry& e : ReadTableEntries(st.Work, name))
    rows.push_back({e.Name.Get(), FloatToStr(e.R), FloatToStr(e.Radius)});
  return rows;
}

bool WriteTableFile(AppState& st, int index, const std::vector<CatalogueRow>& rows) {
  std::string name = TableFileName(index);
  if (rows.empty()) return false;
  // Every row is checked before the file is touched.
  if (CheckCatalogueRows(st, index, rows) != 0) return false;
  std::vector<TConductorEntry> entries(rows.size());
  for (size_t k = 0; k < rows.size(); ++k) {
    const CatalogueRow& row = rows[k];
    TConductorEntry& e = entries[k];
    e.Name.Set(CutChars(row.Name, 20));
    e.R = StrToFloat(row.R);
    e.Radius = StrToFloat(row.Radius);
  }
  WriteTableEntries(st.Work, name, entries);
  return true;
}

std::string ChooseConductor(AppState& st, ConductorKind kind, int i) {
  const std::vector<TConductorEntry>& table = KindTable(st.Catalogue, kind);
  if (i < 0 || static_cast<size_t>(i) >= table.size())
    throw ProgramError("В списке нет строки " + std::to_string(i));
  const TConductorEntry& e = table[static_cast<size_t>(i)];
  if (CheckConductorChoice(st, kind, e) != 0) return std::string();
  std::string listText = e.Name.Get();
  std::string type = CutChars(listText, 11);
  TParamBlock& p = st.Params;
  switch (kind) {
    case ConductorKind::ContactWire:
      p.ContactWireType.Set(type);
      p.ContactWireR = e.R;
      p.ContactWireRadius = e.Radius;
      break;
    case ConductorKind::Messenger:
      p.MessengerType.Set(type);
      p.MessengerR = e.R;
      p.MessengerRadius = e.Radius;
      break;
    case ConductorKind::Feeder:
      p.FeederType.Set(type);
      p.FeederR = e.R;
      p.FeederRadius = e.Radius;
      if (listText == kNoFeeder) return kNoFeeder;
      break;
    case ConductorKind::Rail:
      p.RailType.Set(type);
      p.RailR = e.R;
      p.RailRadius = e.Radius;
      break;
  }
  return FloatToStr(e.R);
}

}  // namespace tps
