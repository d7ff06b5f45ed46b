#include "cli/report_file.h"

#include <system_error>

#include "params/errors.h"
#include "params/fileio.h"
#include "params/params.h"

namespace tps::cli {

void SaveExport(const std::filesystem::path& file, const std::string& bytes) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path abs = fs::absolute(file, ec);
  if (ec || abs.filename().empty()) throw IoError("Неправильное имя файла: " + file.string());
  if (!fs::is_directory(abs.parent_path(), ec)) throw IoError("Папка не найдена: " + abs.parent_path().string());
  WriteFileBytesAtomic(WorkDir(abs.parent_path()), abs.filename().string(), Bytes(bytes.begin(), bytes.end()));
}

namespace {

// The fields of the parameter block by their names, as text.
Json ParamsJson(const TParamBlock& p) {
  static const char* const kFields[] = {
      "ZoneLength",   "UaRe",         "UaIm",          "UbRe",        "UbIm",           "StepMinutes",
      "PskKm",        "Pps1Km",       "Pps2Km",        "ContactWireType", "MessengerType", "FeederType",
      "RailType",     "EarthConductivity", "ContactWireR", "MessengerR", "FeederR",       "RailR",
      "TrackSpacing", "ContactWireHeight"};
  Json j = Json::object();
  for (const char* f : kFields) {
    std::string text;
    if (GetParamField(p, f, text)) j[f] = text;
  }
  return j;
}

}  // namespace

void SaveLastResult(const AppState& st, const Json& j, const std::string& kind) {
  Json keep;
  keep["kind"] = kind;
  keep["scheme"] = st.SchemeVariant;
  keep["scheme_name"] = VariantName(st.SchemeVariant);
  keep["params"] = ParamsJson(st.Params);
  keep["answer"] = j;
  const std::string text = keep.dump(1, ' ', false, Json::error_handler_t::replace) + "\n";
  WriteFileBytesAtomic(st.Work, kLastResultFile, Bytes(text.begin(), text.end()));
}

}  // namespace tps::cli
