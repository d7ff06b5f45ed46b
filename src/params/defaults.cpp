// The default files of a new working directory, built from the text data
// embedded into the program.
#include "params/defaults.h"

#include <map>

#include "params/errors.h"

namespace tps {

namespace {

// The data lines of an embedded text: comment lines ("#") and blank lines
// left out, line ends and surrounding blanks removed.
std::vector<std::string> DataLines(std::string_view name) {
  std::string_view text = EmbeddedData(name);
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
      line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.empty() || line.front() == '#') continue;
    lines.emplace_back(line);
  }
  return lines;
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t pos = 0;
  for (;;) {
    size_t end = line.find(';', pos);
    fields.push_back(line.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  return fields;
}

std::vector<std::string> Fields(const std::string& source, const std::string& line, size_t count) {
  std::vector<std::string> f = SplitFields(line);
  if (f.size() != count)
    throw ProgramError("В данных " + source + " в строке '" + line + "' не " +
                       std::to_string(count) + " полей");
  return f;
}

std::string CatalogueDataName(int index) {
  std::string file = TableFileName(index);  // DATA\KP_post.dmt
  std::string base = file.substr(5, file.size() - 5 - 4);
  return "catalogue/" + base + ".csv";
}

// The sections of the state data: "[name]" followed by "Field=text" lines.
using Section = std::vector<std::pair<std::string, std::string>>;

std::map<std::string, Section> StateSections() {
  std::map<std::string, Section> sections;
  Section* cur = nullptr;
  for (const std::string& line : DataLines("states.txt")) {
    if (line.front() == '[' && line.back() == ']') {
      cur = &sections[line.substr(1, line.size() - 2)];
      continue;
    }
    size_t eq = line.find('=');
    if (!cur || eq == std::string::npos)
      throw ProgramError("В данных states.txt непонятная строка '" + line + "'");
    cur->emplace_back(line.substr(0, eq), line.substr(eq + 1));
  }
  return sections;
}

void ApplySection(TParamBlock& p, const std::map<std::string, Section>& sections,
                  const std::string& name) {
  auto it = sections.find(name);
  if (it == sections.end()) throw ProgramError("В данных states.txt нет раздела [" + name + "]");
  for (const auto& [field, text] : it->second) {
    if (!SetParamField(p, field, text))
      throw ProgramError("В данных states.txt неизвестное поле " + field);
  }
}

// Resistance and radius of the four conductors named in the block, from the
// catalogues of the current kind.
void TakeConductors(TParamBlock& p, bool dc) {
  struct Slot {
    int index;
    ShortStr<11>* type;
    double* r;
    double* radius;
  };
  const Slot slots[4] = {{0, &p.ContactWireType, &p.ContactWireR, &p.ContactWireRadius},
                         {1, &p.MessengerType, &p.MessengerR, &p.MessengerRadius},
                         {2, &p.FeederType, &p.FeederR, &p.FeederRadius},
                         {3, &p.RailType, &p.RailR, &p.RailRadius}};
  for (const Slot& s : slots) {
    int index = s.index + (dc ? 4 : 0);
    std::string type = s.type->Get();
    bool found = false;
    for (const TConductorEntry& e : DefaultCatalogue(index)) {
      if (e.Name.Get() == type) {
        *s.r = e.R;
        *s.radius = e.Radius;
        found = true;
        break;
      }
    }
    if (!found)
      throw ProgramError("Провода " + type + " нет в справочнике " + TableFileName(index));
  }
  ApplyFormRules(p);
}

int KindOfLetter(char letter) {
  switch (letter) {
    case 'F': return 0;
    case 'S': return 1;
    case 'P': return 2;
    case 'E': return 3;
  }
  throw ProgramError(std::string("Нет вида поезда ") + letter);
}

}  // namespace

std::string_view EmbeddedData(std::string_view name) {
  for (size_t i = 0; i < kEmbeddedDataFileCount; ++i) {
    if (name == kEmbeddedDataFiles[i].Name)
      return std::string_view(kEmbeddedDataFiles[i].Data, kEmbeddedDataFiles[i].Size);
  }
  throw ProgramError("В программе нет данных " + std::string(name));
}

std::vector<TConductorEntry> DefaultCatalogue(int index) {
  std::string source = CatalogueDataName(index);
  std::vector<TConductorEntry> entries;
  for (const std::string& line : DataLines(source)) {
    std::vector<std::string> f = Fields(source, line, 3);
    if (CharCount(f[0]) > 11)
      throw ProgramError("Марка " + f[0] + " длиннее 11 знаков (" + source + ")");
    TConductorEntry e;
    e.Name.Set(f[0]);
    e.R = StrToFloat(f[1]);
    e.Radius = StrToFloat(f[2]);
    entries.push_back(e);
  }
  if (entries.empty() || entries.size() > static_cast<size_t>(kTableCapacity))
    throw ProgramError("В данных " + source + " должно быть от 1 до 21 записи");
  return entries;
}

TProbTrainRecord DefaultProbTrainRecord(bool dc) {
  // The rows of the section "[dc]" or "[ac]".
  const std::string section = dc ? "[dc]" : "[ac]";
  std::vector<std::string> lines;
  bool in = false;
  for (const std::string& line : DataLines("prelvoz.csv")) {
    if (line.front() == '[') {
      in = line == section;
      continue;
    }
    if (in) lines.push_back(line);
  }
  if (lines.size() != 4) throw ProgramError("В данных prelvoz.csv в разделе " + section + " должно быть 4 строки");
  TProbTrainRecord r;
  for (size_t k = 0; k < 4; ++k) {
    std::vector<std::string> f = Fields("prelvoz.csv", lines[k], 8);
    TProbTrainEntry& e = r.Entry[k];
    e.ActiveMin = StrToFloat(f[1]);
    e.ReactiveMin = StrToFloat(f[2]);
    e.ActiveMax = StrToFloat(f[3]);
    e.ReactiveMax = StrToFloat(f[4]);
    e.SpeedMin = StrToFloat(f[5]);
    e.SpeedMax = StrToFloat(f[6]);
    int32_t count = StrToInt(f[7]);
    if (count < 0 || count > 65535) throw ProgramError("Количество поездов вне 0..65535");
    e.Count = static_cast<uint16_t>(count);
  }
  return r;
}

std::vector<int> DefaultStateCodes() { return {11, 12, 14, 16, 18, 19, 21, 22, 23, 24, 26, 29}; }

TParamBlock DefaultState(int code) {
  bool dc = code < 20;
  std::map<std::string, Section> sections = StateSections();
  TParamBlock p;
  ApplySection(p, sections, "all");
  ApplySection(p, sections, dc ? "dc" : "ac");
  ApplySection(p, sections, std::to_string(code));
  TakeConductors(p, dc);
  return p;
}

Bytes DefaultGlobalRecord() {
  std::map<std::string, Section> sections = StateSections();
  TParamBlock p;
  ApplySection(p, sections, "all");
  ApplySection(p, sections, "global");
  TakeConductors(p, true);
  Bytes all = ParamsToBytes(p);
  return Bytes(all.begin() + offsetof(TParamBlock, ResultsPending), all.end());
}

std::string ProfileFileName(char letter, int track, bool dc) {
  KindOfLetter(letter);
  return std::string("pt") + letter + "_" + std::to_string(track) + (dc ? "_post.cmt" : "_perem.cmt");
}

std::vector<std::string> DefaultProfileLines(char letter, int track, bool dc) {
  KindOfLetter(letter);
  if (track != 1 && track != 2) throw ProgramError("Нет пути " + std::to_string(track));
  std::vector<std::string> lines;
  for (const std::string& line : DataLines("profiles.csv")) {
    std::vector<std::string> f = Fields("profiles.csv", line, 5);
    if (f[0].size() != 1 || f[0][0] != letter) continue;
    double km = StrToFloat(f[1]);
    if (track == 2) km = RoundTo(kProfileLength - km, 6);
    double active = StrToFloat(dc ? f[2] : f[3]);
    double reactive = dc ? 0 : StrToFloat(f[4]);
    lines.push_back(FloatToStr(km) + " " + FloatToStr(active) + " " + FloatToStr(reactive));
  }
  if (lines.empty()) throw ProgramError(std::string("В данных profiles.csv нет профиля ") + letter);
  return lines;
}

}  // namespace tps
