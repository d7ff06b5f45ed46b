#include "solver/steprows.h"

#include <algorithm>

#include "params/csv.h"
#include "solver/norms.h"

namespace tps {

namespace {

std::string Header(StepRowsFormat f) {
  if (f != StepRowsFormat::Csv) return std::string();
  std::vector<std::string> names(std::begin(kStepRowsHeader), std::end(kStepRowsHeader));
  return std::string(kUtf8Bom) + CsvRecord(names) + "\r\n";
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// A number in JSON: the shortest form that reads back, null when not finite.
std::string JsonNumber(double v) {
  const std::string s = CsvNumber(v);
  return s.empty() ? "null" : s;
}

}  // namespace

StepRowsRecorder::StepRowsRecorder(StepRowsFormat format, size_t maxBytes)
    : format_(format), maxBytes_(maxBytes), text_(Header(format)) {}

void StepRowsRecorder::Clear() {
  text_ = Header(format_);
  steps_ = 0;
  truncated_ = false;
}

void StepRowsRecorder::OnStep(const AppState& st, const CMat& I, const CMat& Phi) {
  if (st.StepCount <= 1) Clear();
  if (truncated_) return;
  const StepCircuit& c = st.Circuit;
  const std::string time = CsvNumber(st.ModelTime), step = std::to_string(st.StepCount);

  // The feeder currents by the feeder's number (Ф1..Ф4), or by the place of a
  // user circuit's chart choice.
  TComplex feeders[4] = {};
  bool present[4] = {};
  std::string names[4];
  const std::vector<FeederBranch> list = FeedersOfStep(st);
  for (size_t k = 0; k < list.size(); ++k) {
    int slot = static_cast<int>(k);
    if (list[k].Name.size() == 3 && list[k].Name.rfind("Ф", 0) == 0) slot = list[k].Name[2] - '1';
    if (slot < 0 || slot > 3) continue;
    feeders[slot] = FeederCurrent(I, list[k]);
    present[slot] = true;
    names[slot] = list[k].Name;
  }

  struct TrainAt {
    const elvoz* Train;
    int Track;
    TComplex U;
  };
  std::vector<TrainAt> trains;
  const int n = std::min<int>(c.NodeCount, Phi.Rows());
  for (int i = 1; i <= n && i <= static_cast<int>(c.NodeTrain.size()); ++i) {
    const int number = c.NodeTrain[static_cast<size_t>(i - 1)];
    if (number == 0) continue;
    for (int track : {1, 2})
      for (const elvoz& t : track == 1 ? st.Trains.Trains1 : st.Trains.Trains2)
        if (t.Number == number) trains.push_back({&t, track, Phi(i, 1)});
  }

  std::string rows;
  if (format_ == StepRowsFormat::Csv) {
    std::vector<std::string> f(kStepRowsColumns);
    f[0] = time;
    f[1] = step;
    for (int k = 0; k < 4; ++k)
      if (present[k]) {
        f[10 + 2 * k] = CsvNumber(feeders[k].Re);
        f[11 + 2 * k] = CsvNumber(feeders[k].Im);
      }
    f[18] = CsvNumber(st.StepLoss);
    rows += CsvRecord(f) + "\r\n";
    for (const TrainAt& t : trains) {
      std::vector<std::string> r(kStepRowsColumns);
      r[0] = time;
      r[1] = step;
      r[2] = std::to_string(t.Train->Number);
      r[3] = std::to_string(t.Track);
      r[4] = CsvNumber(t.Train->Km);
      r[5] = CsvNumber(t.Train->Current.Re);
      r[6] = CsvNumber(t.Train->Current.Im);
      r[7] = CsvNumber(t.U.Re);
      r[8] = CsvNumber(t.U.Im);
      r[9] = CsvNumber(CAbs(t.U));
      rows += CsvRecord(r) + "\r\n";
    }
  } else {
    rows = "{\"step\":" + step + ",\"time_min\":" + JsonNumber(st.ModelTime) +
           ",\"step_loss_w\":" + JsonNumber(st.StepLoss) + ",\"feeders\":[";
    bool first = true;
    for (int k = 0; k < 4; ++k) {
      if (!present[k]) continue;
      rows += std::string(first ? "" : ",") + "{\"feeder\":" + JsonString(names[k]) +
              ",\"current_re_a\":" + JsonNumber(feeders[k].Re) + ",\"current_im_a\":" + JsonNumber(feeders[k].Im) +
              "}";
      first = false;
    }
    rows += "],\"trains\":[";
    for (size_t k = 0; k < trains.size(); ++k) {
      const TrainAt& t = trains[k];
      rows += std::string(k ? "," : "") + "{\"train\":" + std::to_string(t.Train->Number) +
              ",\"track\":" + std::to_string(t.Track) + ",\"km\":" + JsonNumber(t.Train->Km) +
              ",\"current_re_a\":" + JsonNumber(t.Train->Current.Re) +
              ",\"current_im_a\":" + JsonNumber(t.Train->Current.Im) + ",\"voltage_re_v\":" + JsonNumber(t.U.Re) +
              ",\"voltage_im_v\":" + JsonNumber(t.U.Im) + ",\"voltage_v\":" + JsonNumber(CAbs(t.U)) + "}";
    }
    rows += "]}\n";
  }
  if (text_.size() + rows.size() > maxBytes_) {
    truncated_ = true;
    return;
  }
  text_ += rows;
  ++steps_;
}

bool StepRowsFormatOf(const std::string& fileName, StepRowsFormat& format) {
  const std::string low = Lower(fileName);
  auto ends = [&](const std::string& e) { return low.size() > e.size() && low.compare(low.size() - e.size(), e.size(), e) == 0; };
  if (ends(".csv")) {
    format = StepRowsFormat::Csv;
    return true;
  }
  if (ends(".jsonl")) {
    format = StepRowsFormat::Jsonl;
    return true;
  }
  return false;
}

}  // namespace tps
