// The checks of the traction network's physical data as it is typed and
// used: conductor resistances and radii, earth conductivity and the catenary
// geometry. They enter square roots, logarithms and divisions of the line
// impedance, so a value that cannot exist (a negative resistance, a radius or
// a spacing of 0, a number that is not finite) is refused where it is typed
// and where it is used; the loaders refuse it by the same rules
// (params/physical_rules.h).
#pragma once

#include <string>
#include <vector>

#include "params/catalogue.h"
#include "params/physical_rules.h"
#include "params/state.h"

namespace tps {

// The texts of the AC catenary window, in the window's order.
struct AcFormInput {
  std::string EarthConductivity, RailGauge, MastToTrackAxis, WireSpacing, FeederToMast, FeederToScreenWire,
      TrackSpacing, ContactWireHeight, AirTemperature;
};
// The AC window's "Cохранить": every text must be a number, the conductivity
// and the distances greater than 0. On refusal one warning names the first bad
// field and Params stays as it was (returns 1); otherwise the values go into
// Params (returns 0).
int CheckAcFormInput(AppState& st, const AcFormInput& in);

// The traction-network window's "OK": the four resistances in p and the
// catenary they form must give an equivalent resistance (not both the contact
// wire and the messenger at 0). One warning.
int CheckNetworkInput(AppState& st, const TParamBlock& p);

// The conductor data of p that the line impedance of the variant uses: empty
// when the impedance can be computed, else the message naming the first value
// that cannot enter it.
std::string ImpedanceDataFault(const TParamBlock& p, int variant);
// The same before a run: one warning, returns 1 when refused.
int CheckImpedanceData(AppState& st);

// The substation voltages that enter the circuit: each "н/и" or a number
// whose size does not exceed kMaxSourceVoltage. Empty when sound, else the
// message naming the voltage.
inline constexpr double kMaxSourceVoltage = 100000;
std::string SourceVoltageFault(const TParamBlock& p);

// Before a run: the line impedance (CheckImpedanceData), then the substation
// voltages. One warning, returns 1 when refused.
int CheckCircuitData(AppState& st);

}  // namespace tps
