// The physical rules of the parameter block's numbers: what a resistance, a
// radius, a distance or the earth conductivity must be so that the line
// impedance exists, each number of the block named once, the faults of a
// block read from a file and the checks of a conductor entry the catalogue
// saves or the traction-network window chooses. The loaders refuse a file
// with them; the checks of typed input (validation/physical) apply the same
// rules by the same names.
#pragma once

#include <string>
#include <vector>

#include "params/catalogue.h"
#include "params/params.h"
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

// "Значение <name>: '<text>' - <reason>", the words of every refusal of a value.
std::string ValueFault(const std::string& name, const std::string& text, const std::string& reason);

// A number of the block kept as f64: its name in messages ("радиуса
// рельса") and what a stored block may hold in it (0 is allowed where a
// scheme does not use the value: the radii and geometry of a DC scheme, the
// resistance of an absent feeder).
struct PhysicalField {
  double TParamBlock::*Member;
  const char* Name;
  PhysicalSign Stored;
};
// The f64 number of the block by its name as --set names it, nullptr when
// there is none of that name (defined beside the names, in params.cpp).
double TParamBlock::*NumberFieldMember(const std::string& name);
// The name of a number of the block in messages.
const char* PhysicalFieldName(double TParamBlock::*member);

// One number of the block under a rule: the refusal naming it, empty when sound.
std::string PhysicalFieldFault(const TParamBlock& p, double TParamBlock::*member, PhysicalSign sign);

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
// The rows of a catalogue window before they are saved: the resistance a
// number not below 0; the radius a number greater than 0 for the contact
// wires, messengers and rails of alternating current, which enter the line
// impedance, and not below 0 otherwise. One warning names the row and the value.
int CheckCatalogueRows(AppState& st, int index, const std::vector<CatalogueRow>& rows);

// An entry chosen in the traction-network window for the scheme of st:
// resistance not below 0 and finite; for an AC scheme the radius of a contact
// wire, messenger or rail greater than 0. One warning names the conductor.
int CheckConductorChoice(AppState& st, ConductorKind kind, const TConductorEntry& e);

// A substation voltage field beyond +-limit, as a message naming it; empty
// when it is within, not given, or no number (text that is no number is the
// conversion error of the circuit itself).
std::string VoltageBeyond(const ShortStr<11>& field, const char* name, double limit);
// The substation voltages of a stored state that the input check of its
// variant does not read but the circuit does (the reactive parts of a DC
// scheme, substation B of a console): "н/и", or within +-50000 V as the
// check allows elsewhere. Empty when sound.
std::string StoredVoltageFault(const TParamBlock& p, int variant);

}  // namespace tps
