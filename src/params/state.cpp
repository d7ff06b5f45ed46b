#include "params/state.h"

namespace tps {

int SchemeCode(int v) {
  switch (v & 0x7F) {
    case 1: return 11;
    case 2: return 12;
    case 3: return 14;
    case 4: return 16;
    case 5: return 18;
    case 6: return 19;
    case 7: return 21;
    case 8: return 22;
    case 9: return 23;
    case 10: return 24;
    case 11: return 26;
    case 12: return 29;
    default: return 0;
  }
}

const char* VariantName(int v) {
  switch (v) {
    case 1: return "Пост.одн.консоль";
    case 2: return "Пост.одн.двусторонняя";
    case 3: case 6: return "Пост.двухп.двусторонняя";
    case 4: return "Пост.узловая";
    case 5: return "Пост.параллельная";
    case 7: return "Перем.одн.консоль";
    case 8: return "Перем.одн.двусторонняя";
    case 9: return "Перем.двухп.консоль";
    case 10: case 12: return "Перем.двухп.двусторонняя";
    case 11: return "Перем.узловая";
    default: return "";
  }
}

void ResetRunTotals(AppState& st) {
  st.StepLoss = 0;
  st.EnergyLoss = 0;
  st.EnergySupplied[0] = st.EnergySupplied[1] = 0;
  st.MinVoltage = {999999, 999999};
  st.MaxVoltage = {0, 0};
  st.StepCount = 0;
  st.MinVoltageStep = 0;
  st.MaxVoltageStep = 0;
  st.PantographCollapseWarned = false;
  st.FullSteps = 0;
  st.UsefulVoltageIntegral = 0;
  st.UsefulTrainMinutes = 0;
  st.Norms.reset();
}

void ResetRunAccumulators(AppState& st) {
  st.MinVoltage = {999999, 999999};
  st.MaxVoltage = {0, 0};
  st.MinVoltageStep = 0;
  st.MaxVoltageStep = 0;
  st.EnergyLoss = 0;
  st.StepLoss = 0;
  st.EnergySupplied[0] = st.EnergySupplied[1] = 0;
  st.PrevP = st.PrevQ = st.CurP = st.CurQ = 0;
  st.PantographCollapseWarned = false;
  st.FullSteps = 0;
  st.UsefulVoltageIntegral = 0;
  st.UsefulTrainMinutes = 0;
  st.Norms.reset();
}

}  // namespace tps
