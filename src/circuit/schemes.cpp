#include "circuit/schemes.h"

#include <cmath>

#include "circuit/constructor.h"
#include "circuit/graph.h"
#include "circuit/numbering.h"
#include "params/errors.h"
#include "validation/physical.h"

namespace tps {

// ------------------------------------------------------------ variant and fields

int DeriveSchemeVariant(const SchemeControls& c) {
  if (c.CurrentKind != 1 && c.CurrentKind != 2) return 0;
  bool dc = c.CurrentKind == 1;
  if (c.Tab == 0) {
    if (c.Box1) return dc ? 1 : 7;
    return dc ? 2 : 8;
  }
  if (c.Box1) return dc ? 4 : 11;
  if (c.Box2) return dc ? 5 : 9;
  if (c.Box3) return dc ? 6 : 12;
  return dc ? 3 : 10;
}

SchemeControls SchemeControlsForVariant(int v) {
  SchemeControls c;
  if (v < 1 || v > 12) return c;
  c.CurrentKind = IsDcVariant(v) ? 1 : 2;
  c.Tab = IsSingleTrackVariant(v) ? 0 : 1;
  c.Box1 = v == 1 || v == 7 || v == 4 || v == 11;
  c.Box2 = v == 5 || v == 9;
  c.Box3 = v == 6 || v == 12;
  return c;
}

void UpdateSchemeVariant(AppState& st) {
  st.SchemeVariant = static_cast<uint8_t>(DeriveSchemeVariant(st.Scheme));
}

std::string ShowSchemeCaption(const AppState& st) {
  if (st.SchemeVariant == 0) return "Схема не задана";
  const TParamBlock& p = st.Params;
  std::string feeder = p.FeederType.Get();
  bool hasFeeder = feeder != kNoFeeder;
  // Built in a short text that is cut after every piece.
  std::string s = CutChars(p.MessengerType.Get() + " + ", 14);
  s = CutChars(s + p.ContactWireType.Get(), 25);
  s = CutChars(s + " + ", 28);
  if (hasFeeder) {
    s = CutChars(s + feeder, 39);
    s = CutChars(s + " + ", 42);
    s = CutChars(s + p.RailType.Get(), 53);
  } else {
    s = CutChars(s + p.RailType.Get(), 39);
  }
  return s;
}

SchemeFields FieldsForCode(int code) {
  SchemeFields f;
  auto dcBase = [&] {
    f.Length = f.UaRe = f.Active = f.Km = f.Speed = true;
  };
  auto acAll = [&] {
    f.Length = f.UaRe = f.UaIm = f.UbRe = f.UbIm = true;
    f.Active = f.Reactive = f.Km = f.Speed = true;
    f.AcMenu = true;
  };
  switch (code) {
    case 11: dcBase(); f.ShowBox1 = true; f.AcMenu = true; break;
    case 12: dcBase(); f.UbRe = true; f.ShowBox1 = true; break;
    case 14: case 19:
      dcBase(); f.UbRe = true;
      f.ShowBox1 = f.ShowBox2 = f.ShowBox3 = true;
      f.CheckBox3 = code == 19;
      break;
    case 16: dcBase(); f.UbRe = true; f.ShowBox1 = true; f.Psk = true; break;
    case 18: dcBase(); f.UbRe = true; f.ShowBox2 = true; f.Psk = f.Pps1 = f.Pps2 = true; break;
    case 21: acAll(); f.UbRe = f.UbIm = false; f.ShowBox1 = true; break;
    case 22: acAll(); f.ShowBox1 = true; break;
    case 24: case 29:
      acAll(); f.ShowBox1 = f.ShowBox2 = f.ShowBox3 = true;
      f.CheckBox3 = code == 29;
      break;
    case 23: acAll(); f.UbRe = f.UbIm = false; f.ShowBox2 = true; break;
    case 26: acAll(); f.ShowBox1 = true; f.Psk = true; f.PskDefault = "25"; break;
    default: break;
  }
  bool doubleTrack = code == 14 || code == 16 || code == 18 || code == 19 || code == 23 ||
                     code == 24 || code == 26 || code == 29;
  f.Track2Trains = doubleTrack;
  f.Track2TrainsEnabled = doubleTrack && code != 19 && code != 29;
  return f;
}

// ------------------------------------------------------------ random voltages

static constexpr double kPi = 3.14159265358979323846;

// A normal deviate by the polar method.
static double Deviate(TRandom& rng, double mean, double dev) {
  double x, q;
  do {
    x = 2 * rng.Uniform() - 1;
    double y = 2 * rng.Uniform() - 1;
    q = y * y + x * x;
  } while (q >= 1 || q == 0);
  return mean + dev * x * std::sqrt(-2 * std::log(q) / q);
}

static void Rotate(TRandom& rng, ShortStr<11>& re, ShortStr<11>& im, double mD, double sD) {
  double delta = Deviate(rng, mD, sD) * kPi / 180;
  double a = StrToFloat(re.Get()), b = StrToFloat(im.Get());
  double amp = std::sqrt(a * a + b * b);
  re.Set(FloatToStr(amp * std::cos(delta)));
  im.Set(FloatToStr(-amp * std::sin(delta)));
}

void RandomizeSourceVoltages(AppState& st) {
  const VoltagePanel& vp = st.Voltages;
  if (!vp.RandU && !vp.RandD) return;
  TParamBlock& p = st.Params;
  int v = st.SchemeVariant;
  auto mU = [&] { return StrToFloat(vp.MeanU); };
  auto sU = [&] { return StrToFloat(vp.DevU); };
  if (v == 1) {
    if (vp.RandU) p.UaRe.Set(FloatToStr(Deviate(st.Rng, mU(), sU())));
  } else if (v >= 2 && v <= 6) {
    if (vp.RandU) {
      p.UaRe.Set(FloatToStr(Deviate(st.Rng, mU(), sU())));
      p.UbRe.Set(FloatToStr(Deviate(st.Rng, mU(), sU())));
    }
  } else if (v == 7 || v == 9) {
    if (vp.RandU) {
      p.UaRe.Set(FloatToStr(Deviate(st.Rng, mU(), sU())));
      p.UaIm.Set("0");
    }
    if (vp.RandD) Rotate(st.Rng, p.UaRe, p.UaIm, StrToFloat(vp.MeanD), StrToFloat(vp.DevD));
  } else if (v == 8 || v == 10 || v == 11 || v == 12) {
    if (vp.RandU) {
      p.UaRe.Set(FloatToStr(Deviate(st.Rng, mU(), sU())));
      p.UaIm.Set("0");
      p.UbRe.Set(FloatToStr(Deviate(st.Rng, mU(), sU())));
      p.UbIm.Set("0");
    }
    if (vp.RandD) {
      double mD = StrToFloat(vp.MeanD), sD = StrToFloat(vp.DevD);
      Rotate(st.Rng, p.UaRe, p.UaIm, mD, sD);
      Rotate(st.Rng, p.UbRe, p.UbIm, mD, sD);
    }
  }
}

// ------------------------------------------------------------ impedances

// The conductor data must give the impedance of the variant: a value that
// cannot enter its roots, logarithms and divisions stops the step with a
// message naming it, and so does a result that is not finite.
static void RequireImpedanceData(const TParamBlock& p, int variant) {
  const std::string fault = ImpedanceDataFault(p, variant);
  if (!fault.empty()) throw NonFiniteError(fault);
}

static TComplex RequireFinite(TComplex z) {
  if (!std::isfinite(z.Re) || !std::isfinite(z.Im))
    throw NonFiniteError("Сопротивление тяговой сети на 1 км не является конечным числом: " +
                         FloatToStr(z.Re) + " + j" + FloatToStr(z.Im));
  return z;
}

TComplex DcEquivalentPerKm(const TParamBlock& p) {
  RequireImpedanceData(p, 1);
  double rk = p.ContactWireR, rn = p.MessengerR, ru = p.FeederR, rr = p.RailR;
  double r;
  if (p.FeederType.Get() == kNoFeeder)
    r = rr + rk * rn / (rk + rn);
  else
    r = rr + rk * rn * ru / (rk * rn + rn * ru + rk * ru);
  return RequireFinite({r, 0.0});
}

// The catenary (contact wire and messenger) as one conductor.
static TComplex CatenaryPerKm(const TParamBlock& p, double s) {
  TComplex zk{p.ContactWireR + 0.5, -0.144 * (std::log10(s * p.ContactWireRadius / 100000) + 1.42)};
  TComplex zn{p.MessengerR + 0.5, -0.144 * (std::log10(s * p.MessengerRadius / 100000) + 1.42)};
  TComplex zkn{0.5, -0.144 * (std::log10(s * p.WireSpacing / 1000) + 1.53)};
  TComplex twoZkn{2 * zkn.Re, 2 * zkn.Im};
  return CDiv(CSub(CMul(zk, zn), CMul(zkn, zkn)), CAdd(zk, CSub(zn, twoZkn)));
}

AcImpedances AcSingleTrackPerKm(const TParamBlock& p) {
  RequireImpedanceData(p, 7);
  double s = std::sqrt(p.EarthConductivity);
  TComplex zc = CatenaryPerKm(p, s);
  double rr = p.RailR;
  double g = std::pow((p.RailRadius / 100000) * std::pow(p.RailGauge / 1000, 3), 0.25);
  TComplex zr{rr / 2 + 0.5, -0.144 * (std::log10(s * g) + 1.53 - 5.2 * rr / 2)};
  TComplex zcr{0.5, -0.144 * (std::log10(s * (p.WireSpacing / 2000 + p.ContactWireHeight / 1000)) + 1.53)};
  AcImpedances out;
  out.Self = RequireFinite(CSub(zc, CDiv(CMul(zcr, zcr), zr)));
  return out;
}

AcImpedances AcDoubleTrackPerKm(const TParamBlock& p) {
  RequireImpedanceData(p, 10);
  double s = std::sqrt(p.EarthConductivity);
  TComplex zc = CatenaryPerKm(p, s);
  double rr = p.RailR;
  double dtt = p.TrackSpacing / 1000;
  double g = std::pow(dtt * dtt * (p.RailRadius / 100000) * (p.RailGauge / 1000), 0.25);
  TComplex zr{rr / 4 + 0.5, -0.144 * (std::log10(s * g) + 1.53 - 5.2 * rr / 4)};
  double h = p.WireSpacing / 2000 + p.ContactWireHeight / 1000;
  double half = p.TrackSpacing / 2000;
  double e = std::sqrt(h * h + half * half);
  TComplex zcr{0.5, -0.144 * (std::log10(s * e) + 1.53)};
  TComplex zcc{0.5, -0.144 * (std::log10(s * p.TrackSpacing / 1000) + 1.53)};
  TComplex q = CDiv(CMul(zcr, zcr), zr);
  AcImpedances out;
  out.Self = RequireFinite(CSub(zc, q));
  out.Mutual = RequireFinite(CSub(zcc, q));
  return out;
}

// ------------------------------------------------------------ common frame

namespace {

const TComplex kOpen{99999999, 0};
const TComplex kOpenFar{999999999, 0};
const TComplex kZero{0, 0};

struct Frame {
  AppState& st;
  TGraff g;
  double L = 0;
  // The node of every train inserted, in insertion order.
  std::vector<std::pair<TNode*, int>> trainNodes;

  explicit Frame(AppState& s) : st(s) { L = StrToFloat(st.Params.ZoneLength.Get()); }

  TCircle& C(int i) { return *g.Circles[static_cast<size_t>(i)]; }
  TBranch& SourceA(int i) { return *C(i).Branches[1]; }
  TBranch& SourceB(int i) { return *C(i).Branches[C(i).BranchCount]; }

  // One track circle with the line impedance per km; `partwise` forms the
  // line's Z part by part instead of as a complex product.
  int AddTrack(TComplex perKm, bool partwise) {
    int c = AddCircle(g, 0, st.Params);
    TBranch& line = *C(c).Branches[2];
    line.ZPerKm = perKm;
    line.Z = partwise ? TComplex{perKm.Re * L, perKm.Im * L} : CMul(perKm, CFromReal(L));
    return c;
  }

  void OpenSource(TBranch& b, bool dropEmf) {
    b.Z = kOpen;
    if (dropEmf) b.HasEmf = 0;
  }

  void ZeroDcReactive() {
    for (auto& t : st.Trains.Trains1) t.Current.Im = 0;
    for (auto& t : st.Trains.Trains2) t.Current.Im = 0;
  }

  void InsertTrains(int track, int circle, bool asLoad) {
    auto& list = track == 1 ? st.Trains.Trains1 : st.Trains.Trains2;
    for (auto& t : list) {
      TNode* n = asLoad ? InsertLoad(g, circle, t.Current, t.Km) : InsertNode(C(circle), t.Current, t.Km);
      trainNodes.emplace_back(n, t.Number);
    }
  }

  // Counts, numbering, listing, matrices and the feeder branches.
  void Finish() {
    Number(g);
    StepCircuit& sc = st.Circuit;
    if (st.Options.WriteMatrices) WriteGraphText(g, st.Work, "graff.txt");
    BuildMatrices(st, g);
    int nodes = 0, branches = 0;
    for (auto& c : g.Circles) {
      nodes += c->NodeCount - 2;
      branches += c->BranchCount;
    }
    branches += g.ConnectionCount;
    sc.NodeCount = nodes;
    sc.BranchCount = branches;
    sc.LoopCount = branches - nodes;
    sc.Track1Nodes = C(0).NodeCount - 2;
    sc.NodeTrain.assign(static_cast<size_t>(nodes), 0);
    for (auto& [node, number] : trainNodes)
      if (node && node->Number >= 1 && node->Number <= nodes) sc.NodeTrain[node->Number - 1] = number;
    if (g.CircleCount == 1) {
      sc.FeederBranch1 = SourceA(0).Number;
      sc.FeederBranch2 = SourceB(0).Number;
      sc.FeederBranch3 = sc.FeederBranch4 = 0;
    } else {
      sc.FeederBranch1 = SourceA(0).Number;
      sc.FeederBranch2 = SourceA(1).Number;
      sc.FeederBranch3 = SourceB(0).Number;
      sc.FeederBranch4 = SourceB(1).Number;
    }
    sc.Built = true;
  }
};

}  // namespace

// ------------------------------------------------------------ DC builders

void BuildDcSingleConsole(AppState& st) {
  Frame f(st);
  f.AddTrack(DcEquivalentPerKm(st.Params), false);
  f.SourceA(0).Z = kZero;
  f.SourceB(0).Z = kOpen;
  f.ZeroDcReactive();
  f.InsertTrains(1, 0, false);
  f.Finish();
}

void BuildDcSingleTwoSided(AppState& st) {
  Frame f(st);
  f.AddTrack(DcEquivalentPerKm(st.Params), false);
  f.SourceA(0).Z = kZero;
  f.SourceB(0).Z = st.Trains.Trains1.empty() ? kOpen : kZero;
  f.ZeroDcReactive();
  f.InsertTrains(1, 0, false);
  f.Finish();
}

void BuildDcDoubleTwoSided(AppState& st) {
  Frame f(st);
  TComplex z = DcEquivalentPerKm(st.Params);
  f.AddTrack(z, false);
  f.AddTrack(z, false);
  f.SourceA(0).Z = kZero;
  f.SourceA(1).Z = kZero;
  f.SourceB(0).Z = st.Trains.Trains1.empty() ? kOpen : kZero;
  f.SourceB(1).Z = st.Trains.Trains2.empty() ? kOpen : kZero;
  if (st.SchemeVariant == 6) {
    f.OpenSource(f.SourceA(1), true);
    f.OpenSource(f.SourceB(1), true);
  }
  f.ZeroDcReactive();
  f.InsertTrains(1, 0, false);
  f.InsertTrains(2, 1, false);
  f.Finish();
}

// Nodal and parallel schemes: sources closed only while a train is on the zone.
static void DcWithPosts(AppState& st, bool parallel) {
  Frame f(st);
  TComplex z = DcEquivalentPerKm(st.Params);
  f.AddTrack(z, false);
  f.AddTrack(z, false);
  TComplex src = st.Trains.Empty() ? kOpen : kZero;
  f.SourceA(0).Z = src;
  f.SourceA(1).Z = src;
  f.SourceB(0).Z = src;
  f.SourceB(1).Z = src;
  double psk = StrToFloat(st.Params.PskKm.Get());
  AddConnection(f.g, 0, 1, psk, psk, kZero);
  if (parallel) {
    double p1 = StrToFloat(st.Params.Pps1Km.Get());
    double p2 = StrToFloat(st.Params.Pps2Km.Get());
    AddConnection(f.g, 0, 1, p1, p1, kZero);
    AddConnection(f.g, 0, 1, p2, p2, kZero);
  }
  f.ZeroDcReactive();
  f.InsertTrains(1, 0, false);
  f.InsertTrains(2, 1, false);
  f.Finish();
}

void BuildDcNodal(AppState& st) { DcWithPosts(st, false); }
void BuildDcParallel(AppState& st) { DcWithPosts(st, true); }

// ------------------------------------------------------------ AC builders

void BuildAcSingleConsole(AppState& st) {
  Frame f(st);
  f.AddTrack(AcSingleTrackPerKm(st.Params).Self, false);
  f.SourceA(0).Z = kZero;
  f.SourceB(0).Z = kOpen;
  f.InsertTrains(1, 0, false);
  f.Finish();
}

void BuildAcSingleTwoSided(AppState& st) {
  Frame f(st);
  f.AddTrack(AcSingleTrackPerKm(st.Params).Self, false);
  f.SourceA(0).Z = kZero;
  f.SourceB(0).Z = kZero;
  f.InsertTrains(1, 0, false);
  f.Finish();
}

// Two mutually coupled track circles fed from substation A directly and from
// substation B through `farSource`.
static void AcDoubleFrame(Frame& f, TComplex farSource) {
  AcImpedances z = AcDoubleTrackPerKm(f.st.Params);
  f.AddTrack(z.Self, true);
  f.AddTrack(z.Self, true);
  SetMutualGroup(f.g, {0, 1});
  SetMutualImpedance(f.g, 0, 1, z.Mutual);
  for (int c = 0; c < 2; ++c) {
    f.SourceA(c).Z = kZero;
    f.SourceB(c).Z = farSource;
  }
}

// The trains of both tracks as loads that cut the other track too, then the matrices.
static void AcDoubleTrains(Frame& f) {
  f.InsertTrains(1, 0, true);
  f.InsertTrains(2, 1, true);
  f.Finish();
}

void BuildAcDoubleTwoSided(AppState& st) {
  Frame f(st);
  AcDoubleFrame(f, kZero);
  if (st.SchemeVariant == 12) {
    f.OpenSource(f.SourceA(1), true);
    f.OpenSource(f.SourceB(1), true);
  }
  AcDoubleTrains(f);
}

void BuildAcDoubleConsole(AppState& st) {
  Frame f(st);
  AcDoubleFrame(f, kOpenFar);
  for (auto& t : st.Trains.Trains2) t.Current.Im = 0;
  AcDoubleTrains(f);
}

void BuildAcNodal(AppState& st) {
  Frame f(st);
  AcDoubleFrame(f, kZero);
  double psk = StrToFloat(st.Params.PskKm.Get());
  AddConnection(f.g, 0, 1, psk, psk, kZero);
  for (auto& t : st.Trains.Trains2) t.Current.Im = 0;
  AcDoubleTrains(f);
}

// ------------------------------------------------------------ one step

bool BuildStepCircuit(AppState& st) {
  st.LossSeries.StepStarted = TimeOfDayNow();
  RandomizeSourceVoltages(st);
  st.Notify(Changed::Fields);
  StepCircuit& sc = st.Circuit;
  sc = StepCircuit();
  // A substation voltage far beyond any the program accepts overflows the
  // power of the step: the step is not built.
  const std::string voltageFault = SourceVoltageFault(st.Params);
  if (!voltageFault.empty()) throw NonFiniteError(voltageFault);
  if (st.RunMode == ModeConstructor) {
    BuildConstructorCircuit(st);
    return true;
  }
  switch (SchemeCode(st.SchemeVariant)) {
    case 11: BuildDcSingleConsole(st); break;
    case 12: BuildDcSingleTwoSided(st); break;
    case 14: case 19: BuildDcDoubleTwoSided(st); break;
    case 16: BuildDcNodal(st); break;
    case 18: BuildDcParallel(st); break;
    case 21: BuildAcSingleConsole(st); break;
    case 22: BuildAcSingleTwoSided(st); break;
    case 23: BuildAcDoubleConsole(st); break;
    case 24: case 29: BuildAcDoubleTwoSided(st); break;
    case 26: BuildAcNodal(st); break;
    default:
      if (st.Host) st.Host->ShowMessage(MsgKind::Error, "Режим не задан", MsgButtons::Cancel);
      return false;
  }
  return true;
}

}  // namespace tps
