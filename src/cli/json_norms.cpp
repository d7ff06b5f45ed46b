// The norm compliance of a run as JSON, shared by every run command and the
// comparison of the schemes.

#include "cli/common.h"
#include "solver/norms.h"

namespace tps::cli {

namespace {

Json OrNull(bool known, double v) { return known ? Json(v) : Json(nullptr); }

}  // namespace

Json NormsJson(const NormCompliance& nc) {
  Json j = Json::object();
  j["norm1_v"] = nc.Norms.Norm1;
  j["norm2_v"] = nc.Norms.Norm2;
  j["steps_checked"] = nc.StepsChecked;
  j["train_minutes_drawing_min"] = nc.DrawingMinutes;
  j["mean_useful_voltage_v"] = OrNull(nc.DrawingMinutes > 0, nc.MeanUsefulVoltage());
  j["below_norm1_share"] = nc.Below1Share();
  j["below_norm2_share"] = nc.Below2Share();
  const LowestVoltage& low = nc.Lowest;
  j["min_voltage_v"] = OrNull(low.Known, low.Voltage);
  j["min_voltage_train"] = low.Known ? Json(low.Train) : Json(nullptr);
  j["min_voltage_step"] = low.Known ? Json(low.Step) : Json(nullptr);
  j["min_voltage_time_min"] = OrNull(low.Known, low.TimeMin);
  j["min_voltage_km"] = OrNull(low.Known, low.Km);
  Json trains = Json::array();
  for (const TrainCompliance& t : nc.Trains) {
    const LowestVoltage& l = t.Lowest;
    trains.push_back({{"train", t.Train},
                      {"track", t.Track},
                      {"minutes_drawing_min", t.MinutesDrawing},
                      {"minutes_below_norm1", t.MinutesBelow1},
                      {"minutes_below_norm2", t.MinutesBelow2},
                      {"min_voltage_v", OrNull(l.Known, l.Voltage)},
                      {"min_voltage_step", l.Known ? Json(l.Step) : Json(nullptr)},
                      {"min_voltage_time_min", OrNull(l.Known, l.TimeMin)},
                      {"min_voltage_km", OrNull(l.Known, l.Km)}});
  }
  j["trains"] = std::move(trains);
  Json feeders = Json::array();
  for (const FeederCompliance& f : nc.Feeders)
    feeders.push_back({{"feeder", f.Name}, {"peak_current_a", f.Peak}, {"rms_current_a", f.Rms()}});
  j["feeders"] = std::move(feeders);
  return j;
}

}  // namespace tps::cli
