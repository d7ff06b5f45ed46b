// The twelve feeding schemes of the zone: the variant chosen on the main
// window, the circuit builders of one time step, the random substation
// voltages, and the scheme caption.
#pragma once

#include <string>

#include "params/state.h"

namespace tps {

// SchemeVariant from the scheme controls (tab, current kind, first checked box).
int DeriveSchemeVariant(const SchemeControls& c);
// The scheme controls that give a variant (the inverse of DeriveSchemeVariant).
SchemeControls SchemeControlsForVariant(int v);
// Sets st.SchemeVariant from st.Scheme.
void UpdateSchemeVariant(AppState& st);

// The text of the scheme caption label.
std::string ShowSchemeCaption(const AppState& st);

// Which main-window inputs a scheme code enables and shows.
struct SchemeFields {
  bool Length = false, UaRe = false, UaIm = false, UbRe = false, UbIm = false;
  bool Active = false, Reactive = false, Km = false, Speed = false;
  bool ShowBox1 = false, ShowBox2 = false, ShowBox3 = false;  // "консоль"/"ПСК", "ПСК+2ППС"/"2П консоль", "Откл Ф2 и Ф4"
  bool CheckBox3 = false;                                    // "Откл Ф2 и Ф4" checked (codes 19, 29)
  bool Psk = false, Pps1 = false, Pps2 = false;              // "До ПСК", "ППС1, км", "ППС2, км"
  const char* PskDefault = nullptr;                          // "25" for code 26
  bool AcMenu = false;  // "Параметры переменного сопротивления"
  bool Track2Trains = false;         // the track-2 list and its buttons shown
  bool Track2TrainsEnabled = false;  // ... and enabled (not in variants 6 and 12)
};
SchemeFields FieldsForCode(int code);

// Draws the substation voltages at random from the voltage panel when its
// switches are on (polar method, per-variant rules).
void RandomizeSourceVoltages(AppState& st);

// One step's circuit: stamps the start, redraws the voltages, builds the
// graph of the scheme with the trains at their places, numbers it and fills
// the matrices of st.Circuit. An unknown scheme code shows "Режим не задан"
// and builds nothing (returns false).
bool BuildStepCircuit(AppState& st);

// The builders (exposed for tests); each fills st.Circuit.
void BuildDcSingleConsole(AppState& st);
void BuildDcSingleTwoSided(AppState& st);
void BuildDcDoubleTwoSided(AppState& st);
void BuildDcNodal(AppState& st);
void BuildDcParallel(AppState& st);
void BuildAcSingleConsole(AppState& st);
void BuildAcSingleTwoSided(AppState& st);
void BuildAcDoubleConsole(AppState& st);
void BuildAcDoubleTwoSided(AppState& st);
void BuildAcNodal(AppState& st);

// Equivalent impedances per km.
TComplex DcEquivalentPerKm(const TParamBlock& p);
struct AcImpedances {
  TComplex Self;    // track self impedance per km
  TComplex Mutual;  // between the tracks per km (double track)
};
AcImpedances AcSingleTrackPerKm(const TParamBlock& p);
AcImpedances AcDoubleTrackPerKm(const TParamBlock& p);

}  // namespace tps
