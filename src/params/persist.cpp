// The files of the parameter block: the conductor defaults, the saved state of
// each scheme code and the probabilistic train parameters.
#include "params/persist.h"

#include <bit>
#include <cstring>
#include <optional>
#include <utility>

#include "params/errors.h"
#include "params/physical_rules.h"

namespace tps {

static_assert(std::endian::native == std::endian::little,
              "the parameter block is stored as its little-endian memory image");

namespace {

constexpr const char* kGlobalFile = "DATA\\global.dmt";
constexpr const char* kProbFile = "data\\prelvoz.dmt";
// The conductor part of the block, from ResultsPending to AirTemperature.
constexpr size_t kGlobalOffset = offsetof(TParamBlock, ResultsPending);
constexpr size_t kGlobalSize = sizeof(TParamBlock) - kGlobalOffset;
static_assert(kGlobalSize == 216);

constexpr size_t kProbEntrySize = 64;
constexpr size_t kProbRecordSize = 4 * kProbEntrySize;

// A file whose values cannot be used is refused whole: nothing of it is taken.
[[noreturn]] void RefuseFile(const std::string& file, const std::string& fault) {
  throw IoError("Файл " + file + " не загружен. " + fault);
}

// The variant whose state a scheme code keeps (0 for no code).
int VariantOfCode(int code) {
  for (int v = 1; v <= 12; ++v)
    if (SchemeCode(v) == code) return v;
  return 0;
}

}  // namespace

namespace {

// The text slots of the block: offset and capacity.
struct SlotPlace {
  size_t offset, capacity;
};
constexpr SlotPlace kTextSlots[] = {
    {offsetof(TParamBlock, ZoneLength), 11},     {offsetof(TParamBlock, UaRe), 11},
    {offsetof(TParamBlock, UaIm), 11},           {offsetof(TParamBlock, UbRe), 11},
    {offsetof(TParamBlock, UbIm), 11},           {offsetof(TParamBlock, TrainActive), 11},
    {offsetof(TParamBlock, TrainReactive), 11},  {offsetof(TParamBlock, TrainSpeed), 11},
    {offsetof(TParamBlock, TrainKm), 11},        {offsetof(TParamBlock, StepMinutes), 4},
    {offsetof(TParamBlock, BatchTrains), 5},     {offsetof(TParamBlock, BatchInterval), 4},
    {offsetof(TParamBlock, PskKm), 11},          {offsetof(TParamBlock, Pps1Km), 11},
    {offsetof(TParamBlock, Pps2Km), 11},         {offsetof(TParamBlock, TrainType), 20},
    {offsetof(TParamBlock, ContactWireType), 11}, {offsetof(TParamBlock, MessengerType), 11},
    {offsetof(TParamBlock, FeederType), 11},     {offsetof(TParamBlock, ExtraWireType), 11},
    {offsetof(TParamBlock, RailType), 11},
};

}  // namespace

Bytes ParamsToBytes(const TParamBlock& p) {
  Bytes b(sizeof(TParamBlock));
  std::memcpy(b.data(), &p, sizeof(TParamBlock));
  // The characters beyond a text's length are written as zeros, so a file
  // never carries the remains of a longer text typed before.
  for (const SlotPlace& s : kTextSlots) {
    size_t len = b[s.offset] > s.capacity ? s.capacity : b[s.offset];
    b[s.offset] = static_cast<uint8_t>(len);
    std::memset(b.data() + s.offset + 1 + len, 0, s.capacity - len);
  }
  return b;
}

TParamBlock ParamsFromBytes(const Bytes& b) {
  if (b.size() < sizeof(TParamBlock))
    throw IoError("Запись параметров короче 400 байт (" + std::to_string(b.size()) + ")");
  TParamBlock p;
  std::memcpy(&p, b.data(), sizeof(TParamBlock));
  return p;
}

// The defaults of the conductor part: everything 0 or empty except the earth
// conductivity and the air temperature.
static Bytes GlobalDefaults() {
  TParamBlock p;
  p.EarthConductivity = 0.01;
  p.AirTemperature = 20;
  Bytes all = ParamsToBytes(p);
  return Bytes(all.begin() + kGlobalOffset, all.end());
}

void LoadGlobalFile(AppState& st) {
  if (!st.Work.Exists(kGlobalFile)) WriteFileBytes(st.Work, kGlobalFile, GlobalDefaults());
  Bytes b = ReadFileBytes(st.Work, kGlobalFile);
  if (b.size() < kGlobalSize)
    throw IoError("Файл " + std::string(kGlobalFile) + " короче 216 байт");
  TParamBlock p = st.Params;
  std::memcpy(reinterpret_cast<uint8_t*>(&p) + kGlobalOffset, b.data(), kGlobalSize);
  const std::string fault = StoredParamsFault(p);
  if (!fault.empty()) RefuseFile(kGlobalFile, fault);
  st.Params = p;
  st.Notify(Changed::Fields);
}

std::string StateFileName(int code) { return "SAVES\\state_" + std::to_string(code) + ".smt"; }

void ApplyFormRules(TParamBlock& p) {
  p.ExtraWireType.Set("");
  p.ExtraWireR = 0;
  if (p.FeederType.Get() == kNoFeeder) p.FeederR = 0;
}

void SaveState(AppState& st, int code) {
  ApplyFormRules(st.Params);
  // Through a temporary file: a failed write keeps the previous state whole.
  WriteFileBytesAtomic(st.Work, StateFileName(code), ParamsToBytes(st.Params));
}

bool LoadState(AppState& st, int code) {
  std::string name = StateFileName(code);
  if (!st.Work.Exists(name)) return false;
  Bytes b = ReadFileBytes(st.Work, name);
  if (b.size() < sizeof(TParamBlock))
    throw IoError("Файл " + name + " короче 400 байт");
  TParamBlock p = ParamsFromBytes(b);
  std::string fault = StoredParamsFault(p);
  if (fault.empty()) fault = StoredVoltageFault(p, VariantOfCode(code));
  // The numbers kept as text, as the input checks of any scheme would take
  // them: a damaged text is refused here, naming its field, rather than by
  // the step that would read it.
  if (fault.empty()) fault = StoredTextFault(p);
  if (!fault.empty()) RefuseFile(name, fault);
  st.Params = p;
  st.Notify(Changed::Fields);
  return true;
}

Bytes ProbRecordToBytes(const TProbTrainRecord& r) {
  ByteWriter w;
  for (const TProbTrainEntry& e : r.Entry) {
    w.Zeros(8);
    w.F64(e.ActiveMin);
    w.F64(e.ReactiveMin);
    w.F64(e.ActiveMax);
    w.F64(e.ReactiveMax);
    w.F64(e.SpeedMin);
    w.F64(e.SpeedMax);
    w.U16(e.Count);
    w.Zeros(6);
  }
  return w.Take();
}

namespace {

// The record of "data\prelvoz.dmt" at `offset`; `what` names it in a refusal.
TProbTrainRecord ProbRecordAt(const Bytes& b, size_t offset, const std::string& what) {
  if (b.size() < offset + kProbRecordSize)
    throw IoError("Файл " + std::string(kProbFile) + " короче 256 байт");
  ByteReader r(b, kProbFile);
  r.Skip(offset);
  static const char* const kKinds[4] = {"Грузовой", "Скоростной", "Электричка", "Пассажирский"};
  static const char* const kColumns[6] = {"акт мин",    "реакт мин",    "акт макс",
                                          "реакт макс", "скорости мин", "скорости макс"};
  TProbTrainRecord rec;
  for (size_t k = 0; k < 4; ++k) {
    TProbTrainEntry& e = rec.Entry[k];
    r.Skip(8);
    double* values[6] = {&e.ActiveMin,   &e.ReactiveMin, &e.ActiveMax,
                         &e.ReactiveMax, &e.SpeedMin,    &e.SpeedMax};
    // The ranges of the train-parameter window's checks: currents within
    // +-5000 A, speeds above 0 and up to 455 km/h, at most 20000 trains.
    for (size_t c = 0; c < 6; ++c) {
      *values[c] = r.F64();
      const bool speed = c >= 4;
      const double v = *values[c];
      std::string reason = PhysicalFault(v, PhysicalSign::Finite);
      if (reason.empty() && speed && !(v > 0 && v <= 455)) reason = "не лежит между 0> и 455";
      if (reason.empty() && !speed && !(v >= -5000 && v <= 5000)) reason = "не лежит между -5000 и 5000";
      if (!reason.empty())
        RefuseFile(kProbFile, what + "Значение " + std::string(kKinds[k]) + " / " + kColumns[c] + ": '" +
                                  FloatToStr(v) + "' - " + reason);
    }
    e.Count = r.U16();
    if (e.Count > 20000)
      RefuseFile(kProbFile, what + "Значение " + std::string(kKinds[k]) + " / количество: '" + std::to_string(e.Count) +
                                "' - не лежит между 0 и 20000");
    r.Skip(6);
  }
  return rec;
}

// The flow of alternating-current lines is the second record when the file
// has one; a file of one record serves both kinds of current.
constexpr const char* kAcRecord = "Запись переменного тока. ";

bool AcFlow(const AppState& st) { return st.SchemeVariant >= 7 && st.SchemeVariant <= 12; }

// Both records of the file, each checked; a file of one record gives it twice.
std::pair<TProbTrainRecord, TProbTrainRecord> ProbRecordsOf(const Bytes& b) {
  const TProbTrainRecord dc = ProbRecordAt(b, 0, "");
  if (b.size() < 2 * kProbRecordSize) return {dc, dc};
  return {dc, ProbRecordAt(b, kProbRecordSize, kAcRecord)};
}

}  // namespace

TProbTrainRecord ProbRecordFromBytes(const Bytes& b) { return ProbRecordAt(b, 0, ""); }

TProbTrainRecord ReadProbTrainRecord(const AppState& st) {
  const auto [dc, ac] = ProbRecordsOf(ReadFileBytes(st.Work, kProbFile));
  return AcFlow(st) ? ac : dc;
}

void WriteProbTrainRecord(const AppState& st, const TProbTrainRecord& r) {
  // The other kind keeps the rows it had; without a readable file the rows
  // written serve both kinds.
  std::optional<std::pair<TProbTrainRecord, TProbTrainRecord>> both;
  if (st.Work.Exists(kProbFile)) {
    try {
      both = ProbRecordsOf(ReadFileBytes(st.Work, kProbFile));
    } catch (const IoError&) {
    }
  }
  Bytes out;
  if (!both) {
    out = ProbRecordToBytes(r);
  } else {
    out = ProbRecordToBytes(AcFlow(st) ? both->first : r);
    const Bytes ac = ProbRecordToBytes(AcFlow(st) ? r : both->second);
    out.insert(out.end(), ac.begin(), ac.end());
  }
  WriteFileBytesAtomic(st.Work, kProbFile, out);
}

}  // namespace tps
