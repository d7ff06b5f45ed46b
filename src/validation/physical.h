// The checks of the traction network's physical data: conductor resistances
// and radii, earth conductivity and the catenary geometry. They enter square
// roots, logarithms and divisions of the line impedance, so a value that
// cannot exist (a negative resistance, a radius or a spacing of 0, a number
// that is not finite) is refused where it is typed, where it is loaded and
// where it is used.
#pragma once

#include <string>
#include <vector>

#include "params/catalogue.h"
#include "params/state.h"

namespace tps {

// The largest resistance of a conductor per km the input takes (the
// constructor's "Акт сопротивления 1км", [0, 20) Ohm/km): no conductor of a
// traction network comes near it.
inline constexpr double kMaxResistancePerKm = 20;

// What a physical value must be.
enum class PhysicalSign {
  Positive,     // greater than 0: conductivity, radii, spacings, heights
  NonNegative,  // not below 0: radii and spacings where 0 means "not used"
  Finite,       // any finite number: the air temperature
  Resistance,   // a resistance per km: not below 0 and below kMaxResistancePerKm
};

// The reason a value is refused ("должно быть больше 0", ...), empty when it is sound.
std::string PhysicalFault(double v, PhysicalSign sign);

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

// The rows of a catalogue window before they are saved: the resistance a
// number not below 0; the radius a number greater than 0 for the contact
// wires, messengers and rails of alternating current, which enter the line
// impedance, and not below 0 otherwise. One warning names the row and the value.
int CheckCatalogueRows(AppState& st, int index, const std::vector<CatalogueRow>& rows);

// An entry chosen in the traction-network window for the scheme of st:
// resistance not below 0 and finite; for an AC scheme the radius of a contact
// wire, messenger or rail greater than 0. One warning names the conductor.
int CheckConductorChoice(AppState& st, ConductorKind kind, const TConductorEntry& e);

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

// A parameter block read from a file: every f64 field finite, the
// resistances within [0, 20) Ohm/km, the radii, distances and the earth
// conductivity not below 0. Empty when sound, else
// "Значение <name>: '<value>' - <reason>".
std::string StoredParamsFault(const TParamBlock& p);
// The numbers the block keeps as text (zone length, voltages, train data,
// step, batch, posts): each "н/и", empty (never filled in), or a number within
// the widest range the input checks give it in any scheme and mode (a voltage
// within +-50000 V, a current within +-5000 A, a place within the longest
// zone of 200 km, ...). Empty when sound, else
// "Поле <Name>: Значение <name>: '<text>' - <reason>" in the words of the
// input checks.
std::string StoredTextFault(const TParamBlock& p);
// One field of the block by its name (as --set names it): the rule of
// StoredTextFault or StoredParamsFault, "Значение <name>: '<text>' - <reason>".
// Empty when sound or without a rule.
std::string StoredFieldFault(const TParamBlock& p, const std::string& field);
// The values StoredFieldFault lets through for the field, as a text
// ("0 < x <= 200", "x >= 0"); empty for a field without a rule.
std::string StoredFieldRange(const std::string& field);
// The substation voltages of a stored state that the input check of its
// variant does not read but the circuit does (the reactive parts of a DC
// scheme, substation B of a console): "н/и", or within +-50000 V as the
// check allows elsewhere. Empty when sound.
std::string StoredVoltageFault(const TParamBlock& p, int variant);

}  // namespace tps
