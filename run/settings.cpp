#include "run/settings.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <variant>
#include <vector>

#include "state/errors.h"
#include "state/message_text.h"
#include "state/indices.h"

namespace quorvane {

namespace {

constexpr FieldKind IText = FieldKind::Text;
constexpr FieldKind IInteger = FieldKind::Integer;
constexpr FieldKind IReal = FieldKind::Real;
using W = StoredWhen;

constexpr std::string_view kIfScan = "If Scan:";
constexpr std::string_view kIfPrecise = "If precise:";
constexpr std::string_view kIfConstM = "If M=const -? and if Scan:";
constexpr std::string_view kIfAlfa = "If M=M(a) - ? and if Scan:";
constexpr std::string_view kForTriple = "For Triple:";
constexpr std::string_view kSsbFiles = "Names of files";
constexpr std::string_view kSsbStd = "STD for bootstrap:";
constexpr std::string_view kSsbRel = " SSB: 1-Absol. 2-Relative :";
constexpr std::string_view kWeights = "Weights of components in the overall loss function:";
// Column headings of the fleet grid. A heading of several lines lists the options under its
// first line; messages use the first line only.
constexpr std::string_view kFleetFiles = "Names of files:";
constexpr std::string_view kFleetTime = "Time(0-1):";
constexpr std::string_view kFleetType = "Index of: 1.Whole stock, 2.Mature, 3.Immature:";
constexpr std::string_view kFleetQ = "To estimate q(a) ? 1.Yes, 2.No:";
constexpr std::string_view kFleetCompare = "What to compare?:\n1. N v N\n2. PvP w-d.\n3. P v P";
constexpr std::string_view kFleetLoss = "What to minimize?:\n1.MDN\n2.SSE\n3.AMD";
constexpr std::string_view kFleetStd = "STD for bootstrap :";

}  // namespace

// The parameter window's fields in the order START reads them.
const std::array<Field, kFieldCount> kFields = {{
    {1, "C(a,y) file:", "demo/c.txt", IText, "AnamefileC", W::Always, 0, 2, ""},
    {2, "W(a,y) file:", "demo/w.txt", IText, "AnamefileW", W::Always, 0, 2, ""},
    {3, "Options for M: 1.To look for M=const;  2. To look for M=M(a); 3. M is known.    Option?:",
     "3", IInteger, "n1", W::Always, 0, 3, ""},
    {4, "If Option=2, input age of mass maturity:", "7", IInteger, "amp", W::Always, 0, 4, ""},
    {5, "If Option=3, input name of file:", "demo/mm.txt", IText, "AnamefileM", W::Always, 0, 4,
     ""},
    {6, "Method: 1. Nonlog (basic);   2.Log;  3.Nonlog w-d;  4.Direct.           Option?:", "2",
     IInteger, "n21", W::Always, 0, 5, ""},
    {7,
     "What to minimize for C(a,y)? 1.MDN[(LnC-LnCest)^2];  2.SUM[(LnC-LnCest)^2]; "
     "3.AMD(LnC-LnCest).   Option?:",
     "3", IInteger, "n22", W::Always, 0, 6, ""},
    {8, "Years for analysis.  First year:", "1984", IInteger, "yearmin", W::Always, 0, 7, ""},
    {9, "Last year:", "2014", IInteger, "yearmax", W::Always, 0, 7, ""},
    {10, "Last year of 1-st S(a):", "2014", IInteger, "yearmid", W::Always, 0, 7, ""},
    {11, "Ages for analysis.  First age:", "3", IInteger, "agemin", W::Always, 0, 8, ""},
    {12, "Last age:", "13", IInteger, "agemax", W::Always, 0, 8, ""},
    {13, "Last age is: 1- +-group, 2- normal.  Option?:", "1", IInteger, "n3", W::Always, 0, 8, ""},
    {14, "Mode: 1.Catch-contr.; 2.Effort-contr.;  3.Mixed;  4.Mixed BPW.  Option?:", "3", IInteger,
     "n5", W::Always, 0, 9, ""},
    {15, "If \"3\", input portion of \"1\" (0-1):", "0.5", IReal, "mix", W::MixedMode, 0, 9, ""},
    {16, "What to do: 1.To scan; 2.To find precise solution  Option?:", "1", IInteger, "scansearch",
     W::Always, 0, 10, ""},
    {17, "Lowest f :", "1", IReal, "fscanmin", W::Scan, 0, 11, kIfScan},
    {18, "Highest f :", "5", IReal, "fscanmax", W::Scan, 0, 11, kIfScan},
    {19, "Step :", "0.25", IReal, "fscanstep", W::Scan, 0, 11, kIfScan},
    {20, "Init. guess for f:", "2.4", IReal, "fscanmin", W::Precise, 0, 11, kIfPrecise},
    {21, "Init.step for f:", "0.2", IReal, "fscanstep", W::Precise, 0, 11, kIfPrecise},
    {22, "Lowest M:", "0.01", IReal, "mscanmin", W::ScanConstantM, 0, 12, kIfConstM},
    {23, "Highest M:", "0.8", IReal, "mscanmax", W::ScanConstantM, 0, 12, kIfConstM},
    {24, "Step :", "0.01", IReal, "mscanstep", W::ScanConstantM, 0, 12, kIfConstM},
    {25, "Init. guess for M:", "0.20", IReal, "mscanmin", W::PreciseConstantM, 0, 12, kIfPrecise},
    {26, "Init.step for M:", "0.01", IReal, "mscanstep", W::PreciseConstantM, 0, 12, kIfPrecise},
    {27, "Lo.ALFA:", "0.001", IReal, "mscanmin", W::ScanAlfa, 0, 13, kIfAlfa},
    {28, "Hi.ALFA:", "0.06", IReal, "mscanmax", W::ScanAlfa, 0, 13, kIfAlfa},
    {29, "Step :", "0.002", IReal, "mscanstep", W::ScanAlfa, 0, 13, kIfAlfa},
    {30, "Init.g. for ALFA:", "0.03", IReal, "mscanmin", W::PreciseAlfa, 0, 13, kIfPrecise},
    {31, "Init.s. for ALFA:", "0.002", IReal, "mscanstep", W::PreciseAlfa, 0, 13, kIfPrecise},
    {32, "Inter-iterational smoother (rec. 0.5-0.9) :", "0.8", IReal, "smoother", W::Always, 0, 14,
     ""},
    {33, "No. (even) of c.e. for MDN (rec.=10):", "4", IInteger, "centralel", W::Always, 0, 14, ""},
    {34, "Part of the year for max. catch :", "0.5", IReal, "part", W::Always, 0, 14, ""},
    {35, "Name of file for final resullts:", "output.out", IText, "AnamefileR", W::Always, 0, 15,
     ""},
    {36, "Current results on screen? 1-Yes, 2-No :", "1", IInteger, "scron", W::Always, 0, 15, ""},
    {37, "Matur(a,y) file:", "demo/mat.txt", IText, "Anamefile8", W::Always, 0, 2, ""},
    {38, "To include SSB surveys? 1-Yes, 2-No :", "1", IInteger, "indssb", W::Always, 0, 16, ""},
    {39, "How many (<=3)? :", "1", IInteger, "totalinds", W::SsbOn, 0, 16, ""},
    {40, "1:", "demo/SSB1.txt", IText, "Anamefile9", W::SsbSurvey, 1, 16, kSsbFiles},
    {41, "2:", "ssb2.txt", IText, "Anamefile10", W::SsbSurvey, 2, 16, kSsbFiles},
    {42, "3:", "ssb3.txt", IText, "Anamefile11", W::SsbSurvey, 3, 16, kSsbFiles},
    {43, "Portion of the year before SSBsurvey (0-1), same for all:", "0.4", IReal, "parysp",
     W::Always, 0, 17, ""},
    {44, "ssb1:", "0.3", IReal, "stdssb(1)", W::SsbOn, 1, 17, kSsbStd},
    {45, "ssb2:", "0.3", IReal, "stdssb(2)", W::SsbOn, 2, 17, kSsbStd},
    {46, "ssb3:", "0.3", IReal, "stdssb(3)", W::SsbOn, 3, 17, kSsbStd},
    {47, "To include Aged surveys? 1-Yes, 2-No:", "1", IInteger, "indaged", W::Always, 0, 18, ""},
    {48, "How many (<=7)?:", "4", IInteger, "totalind", W::AgedOn, 0, 18, ""},
    {49, "1:", "demo/fleet1.txt", IText, "Anamefile1", W::AgedFleet, 1, 19, kFleetFiles},
    {50, "2:", "demo/fleet2.txt", IText, "Anamefile2", W::AgedFleet, 2, 19, kFleetFiles},
    {51, "3:", "demo/fleet3.txt", IText, "Anamefile3", W::AgedFleet, 3, 19, kFleetFiles},
    {52, "4:", "demo/fleet4.txt", IText, "Anamefile4", W::AgedFleet, 4, 19, kFleetFiles},
    {53, "5:", "None", IText, "Anamefile5", W::AgedFleet, 5, 19, kFleetFiles},
    {54, "6:", "None", IText, "Anamefile6", W::AgedFleet, 6, 19, kFleetFiles},
    {55, "7:", "None", IText, "Anamefile7", W::AgedFleet, 7, 19, kFleetFiles},
    {56, "1:", "0.5", IReal, "indtime(1)", W::AgedFleet, 1, 19, kFleetTime},
    {57, "2:", "0.99", IReal, "indtime(2)", W::AgedFleet, 2, 19, kFleetTime},
    {58, "3:", "0.99", IReal, "indtime(3)", W::AgedFleet, 3, 19, kFleetTime},
    {59, "4:", "0.9", IReal, "indtime(4)", W::AgedFleet, 4, 19, kFleetTime},
    {60, "5:", "0.5", IReal, "indtime(5)", W::AgedFleet, 5, 19, kFleetTime},
    {61, "6:", "0.5", IReal, "indtime(6)", W::AgedFleet, 6, 19, kFleetTime},
    {62, "7:", "0.5", IReal, "indtime(7)", W::AgedFleet, 7, 19, kFleetTime},
    {63, "1:", "1", IInteger, "indtype(1)", W::AgedFleet, 1, 19, kFleetType},
    {64, "2:", "1", IInteger, "indtype(2)", W::AgedFleet, 2, 19, kFleetType},
    {65, "3:", "1", IInteger, "indtype(3)", W::AgedFleet, 3, 19, kFleetType},
    {66, "4:", "1", IInteger, "indtype(4)", W::AgedFleet, 4, 19, kFleetType},
    {67, "5:", "1", IInteger, "indtype(5)", W::AgedFleet, 5, 19, kFleetType},
    {68, "6:", "1", IInteger, "indtype(6)", W::AgedFleet, 6, 19, kFleetType},
    {69, "7:", "1", IInteger, "indtype(7)", W::AgedFleet, 7, 19, kFleetType},
    {70, "1:", "1", IInteger, "qest(1)", W::AgedFleet, 1, 19, kFleetQ},
    {71, "2:", "1", IInteger, "qest(2)", W::AgedFleet, 2, 19, kFleetQ},
    {72, "3:", "1", IInteger, "qest(3)", W::AgedFleet, 3, 19, kFleetQ},
    {73, "4:", "1", IInteger, "qest(4)", W::AgedFleet, 4, 19, kFleetQ},
    {74, "5:", "1", IInteger, "qest(5)", W::AgedFleet, 5, 19, kFleetQ},
    {75, "6:", "1", IInteger, "qest(6)", W::AgedFleet, 6, 19, kFleetQ},
    {76, "7:", "1", IInteger, "qest(7)", W::AgedFleet, 7, 19, kFleetQ},
    {77, "1:", "1", IInteger, "indcomp(1)", W::AgedFleet, 1, 19, kFleetCompare},
    {78, "2:", "1", IInteger, "indcomp(2)", W::AgedFleet, 2, 19, kFleetCompare},
    {79, "3:", "1", IInteger, "indcomp(3)", W::AgedFleet, 3, 19, kFleetCompare},
    {80, "4:", "1", IInteger, "indcomp(4)", W::AgedFleet, 4, 19, kFleetCompare},
    {81, "5:", "3", IInteger, "indcomp(5)", W::AgedFleet, 5, 19, kFleetCompare},
    {82, "6:", "3", IInteger, "indcomp(6)", W::AgedFleet, 6, 19, kFleetCompare},
    {83, "7:", "1", IInteger, "indcomp(7)", W::AgedFleet, 7, 19, kFleetCompare},
    {84, "1:", "2", IInteger, "indmin(1)", W::AgedFleet, 1, 19, kFleetLoss},
    {85, "2:", "2", IInteger, "indmin(2)", W::AgedFleet, 2, 19, kFleetLoss},
    {86, "3:", "2", IInteger, "indmin(3)", W::AgedFleet, 3, 19, kFleetLoss},
    {87, "4:", "2", IInteger, "indmin(4)", W::AgedFleet, 4, 19, kFleetLoss},
    {88, "5:", "3", IInteger, "indmin(5)", W::AgedFleet, 5, 19, kFleetLoss},
    {89, "6:", "1", IInteger, "indmin(6)", W::AgedFleet, 6, 19, kFleetLoss},
    {90, "7:", "2", IInteger, "indmin(7)", W::AgedFleet, 7, 19, kFleetLoss},
    {91, "1:", "0.3", IReal, "stdind(1)", W::AgedFleet, 1, 19, kFleetStd},
    {92, "2:", "0.3", IReal, "stdind(2)", W::AgedFleet, 2, 19, kFleetStd},
    {93, "3:", "0.3", IReal, "stdind(3)", W::AgedFleet, 3, 19, kFleetStd},
    {94, "4:", "0.3", IReal, "stdind(4)", W::AgedFleet, 4, 19, kFleetStd},
    {95, "5:", "0.3", IReal, "stdind(5)", W::AgedFleet, 5, 19, kFleetStd},
    {96, "6:", "0.3", IReal, "stdind(6)", W::AgedFleet, 6, 19, kFleetStd},
    {97, "7:", "0.3", IReal, "stdind(7)", W::AgedFleet, 7, 19, kFleetStd},
    {98, "C(a,y):", "1", IReal, "weca", W::Always, 0, 20, kWeights},
    {99, "SSB1:", "1", IReal, "wssb(1)", W::SsbSurvey, 1, 20, kWeights},
    {100, "SSB2:", "1", IReal, "wssb(2)", W::SsbSurvey, 2, 20, kWeights},
    {101, "SSB3:", "1", IReal, "wssb(3)", W::SsbSurvey, 3, 20, kWeights},
    {102, "Aged1 :", "0.2", IReal, "wind(1)", W::AgedFleet, 1, 21, kWeights},
    {103, "Aged2 :", ".2", IReal, "wind(2)", W::AgedFleet, 2, 21, kWeights},
    {104, "Aged3 :", ".1", IReal, "wind(3)", W::AgedFleet, 3, 21, kWeights},
    {105, "Aged4 :", ".2", IReal, "wind(4)", W::AgedFleet, 4, 21, kWeights},
    {106, "Aged5 :", "1", IReal, "wind(5)", W::AgedFleet, 5, 21, kWeights},
    {107, "Aged6 :", "1", IReal, "wind(6)", W::AgedFleet, 6, 21, kWeights},
    {108, "Aged7 :", "1", IReal, "wind(7)", W::AgedFleet, 7, 21, kWeights},
    {109, "", "2", IReal, "ssbrel(1)", W::SsbOn, 1, 18, kSsbRel},
    {110, "", "1", IReal, "ssbrel(2)", W::SsbOn, 2, 18, kSsbRel},
    {111, "", "1", IReal, "ssbrel(3)", W::SsbOn, 3, 18, kSsbRel},
    {112, "Triple? 1-Yes, 2-No", "1", IInteger, "gfactoron", W::Always, 0, 1, ""},
    {113, "TrAgeMin:", "3", IInteger, "tragemin", W::Always, 0, 5, kForTriple},
    {114, "TrAgeMax:", "12", IInteger, "tragemax", W::Always, 0, 6, kForTriple},
    {115, "1-Yes, 2-No:", "1", IInteger, "eachyearnormir", W::Always, 0, 7,
     "s-normir for EachYear?"},
}};

namespace {

// The settings that the fields fill, under the names of the run state. A START reads into a
// copy of these and hands them to the run state only when every field was accepted, so a
// rejected START leaves the settings of the previous run in place.
struct Settings {
  std::string AnamefileC, AnamefileW, AnamefileM, AnamefileR;
  std::int16_t n1 = 0, amp = 0, n21 = 0, n4 = 0, n22 = 0;
  std::int16_t yearmin = 0, yearmax = 0, yearmid = 0, agemin = 0, agemax = 0;
  std::int16_t n3 = 0, n5 = 0;
  double mix = 0;
  std::int16_t scansearch = 0;
  double fscanmin = 0, fscanmax = 0, fscanstep = 0;
  double mscanmin = 0, mscanmax = 0, mscanstep = 0;
  double smoother = 0;
  std::int16_t centralel = 0;
  double part = 0;
  std::int16_t scron = 0, brev1 = 0;
  std::array<std::string, 12> Anamefile{};
  std::int16_t indssb = 0, totalinds = 0;
  double parysp = 0;
  std::array<double, kSsbSlots> stdssb{};
  std::int16_t indaged = 0, totalind = 0;
  std::array<double, kFleetSlots> indtime{};
  std::array<std::int16_t, kFleetSlots> indtype{}, qest{}, indcomp{};
  std::array<std::optional<std::int16_t>, kFleetSlots> indmin{};
  std::array<double, kFleetSlots> stdind{};
  double weca = 0;
  std::array<double, kSsbSlots> wssb{};
  std::array<double, kFleetSlots> wind{};
  std::array<double, kSsbSlots> ssbrel{};
  std::int16_t gfactoron = 0, tragemin = 0, tragemax = 0, eachyearnormir = 0;
};

// Copies every setting between the run state and the Settings record, in either direction.
template <typename To, typename From>
void copy_settings(To& to, const From& from) {
  to.AnamefileC = from.AnamefileC;
  to.AnamefileW = from.AnamefileW;
  to.AnamefileM = from.AnamefileM;
  to.AnamefileR = from.AnamefileR;
  to.n1 = from.n1;
  to.amp = from.amp;
  to.n21 = from.n21;
  to.n4 = from.n4;
  to.n22 = from.n22;
  to.yearmin = from.yearmin;
  to.yearmax = from.yearmax;
  to.yearmid = from.yearmid;
  to.agemin = from.agemin;
  to.agemax = from.agemax;
  to.n3 = from.n3;
  to.n5 = from.n5;
  to.mix = from.mix;
  to.scansearch = from.scansearch;
  to.fscanmin = from.fscanmin;
  to.fscanmax = from.fscanmax;
  to.fscanstep = from.fscanstep;
  to.mscanmin = from.mscanmin;
  to.mscanmax = from.mscanmax;
  to.mscanstep = from.mscanstep;
  to.smoother = from.smoother;
  to.centralel = from.centralel;
  to.part = from.part;
  to.scron = from.scron;
  to.brev1 = from.brev1;
  to.Anamefile = from.Anamefile;
  to.indssb = from.indssb;
  to.totalinds = from.totalinds;
  to.parysp = from.parysp;
  to.stdssb = from.stdssb;
  to.indaged = from.indaged;
  to.totalind = from.totalind;
  to.indtime = from.indtime;
  to.indtype = from.indtype;
  to.qest = from.qest;
  to.indcomp = from.indcomp;
  to.indmin = from.indmin;
  to.stdind = from.stdind;
  to.weca = from.weca;
  to.wssb = from.wssb;
  to.wind = from.wind;
  to.ssbrel = from.ssbrel;
  to.gfactoron = from.gfactoron;
  to.tragemin = from.tragemin;
  to.tragemax = from.tragemax;
  to.eachyearnormir = from.eachyearnormir;
}

using Target = std::variant<std::string*, std::int16_t*, std::optional<std::int16_t>*, double*>;

// The setting that field n fills.
Target target_of(Settings& t, int n) {
  if (n >= 49 && n <= 55) return &t.Anamefile[n - 48];
  if (n >= 56 && n <= 62) return &t.indtime[n - 55];
  if (n >= 63 && n <= 69) return &t.indtype[n - 62];
  if (n >= 70 && n <= 76) return &t.qest[n - 69];
  if (n >= 77 && n <= 83) return &t.indcomp[n - 76];
  if (n >= 84 && n <= 90) return &t.indmin[n - 83];
  if (n >= 91 && n <= 97) return &t.stdind[n - 90];
  if (n >= 99 && n <= 101) return &t.wssb[n - 98];
  if (n >= 102 && n <= 108) return &t.wind[n - 101];
  if (n >= 109 && n <= 111) return &t.ssbrel[n - 108];
  if (n >= 40 && n <= 42) return &t.Anamefile[n - 31];
  if (n >= 44 && n <= 46) return &t.stdssb[n - 43];
  switch (n) {
    case 1:
      return &t.AnamefileC;
    case 2:
      return &t.AnamefileW;
    case 3:
      return &t.n1;
    case 4:
      return &t.amp;
    case 5:
      return &t.AnamefileM;
    case 6:
      return &t.n21;
    case 7:
      return &t.n22;
    case 8:
      return &t.yearmin;
    case 9:
      return &t.yearmax;
    case 10:
      return &t.yearmid;
    case 11:
      return &t.agemin;
    case 12:
      return &t.agemax;
    case 13:
      return &t.n3;
    case 14:
      return &t.n5;
    case 15:
      return &t.mix;
    case 16:
      return &t.scansearch;
    case 17:
    case 20:
      return &t.fscanmin;
    case 18:
      return &t.fscanmax;
    case 19:
    case 21:
      return &t.fscanstep;
    case 22:
    case 25:
    case 27:
    case 30:
      return &t.mscanmin;
    case 23:
    case 28:
      return &t.mscanmax;
    case 24:
    case 26:
    case 29:
    case 31:
      return &t.mscanstep;
    case 32:
      return &t.smoother;
    case 33:
      return &t.centralel;
    case 34:
      return &t.part;
    case 35:
      return &t.AnamefileR;
    case 36:
      return &t.scron;
    case 37:
      return &t.Anamefile[8];
    case 38:
      return &t.indssb;
    case 39:
      return &t.totalinds;
    case 43:
      return &t.parysp;
    case 47:
      return &t.indaged;
    case 48:
      return &t.totalind;
    case 98:
      return &t.weca;
    case 112:
      return &t.gfactoron;
    case 113:
      return &t.tragemin;
    case 114:
      return &t.tragemax;
    case 115:
      return &t.eachyearnormir;
    default:
      break;
  }
  assert(false && "every field fills a setting");
  return static_cast<std::string*>(nullptr);
}

// Whether START stores the field, judged on the settings read before it. The count tests use
// ">="; for the last slot (survey 3, fleet 7) that is the same as a test for equality, since a
// count above the last slot is rejected.
bool stored(const Field& f, const Settings& t) {
  switch (f.stored_when) {
    case W::Always:
      return true;
    case W::MixedMode:
      return t.n5 == 3;
    case W::Scan:
      return t.scansearch == 1;
    case W::Precise:
      return t.scansearch == 2;
    case W::ScanConstantM:
      return t.scansearch == 1 && t.n1 == 1;
    case W::PreciseConstantM:
      return t.scansearch == 2 && t.n1 == 1;
    case W::ScanAlfa:
      return t.scansearch == 1 && t.n1 == 2;
    case W::PreciseAlfa:
      return t.scansearch == 2 && t.n1 == 2;
    case W::SsbOn:
      return t.indssb == 1;
    case W::SsbSurvey:
      return t.indssb == 1 && t.totalinds >= f.slot;
    case W::AgedOn:
      return t.indaged == 1;
    case W::AgedFleet:
      return t.indaged == 1 && t.totalind >= f.slot;
  }
  return false;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// The problems found in the fields, each naming the field by its title and its text.
class Problems {
 public:
  explicit Problems(const FieldTexts& texts) : texts_(texts) {}

  void add(int n, const std::string& what) {
    list_.push_back(field_problem(n, texts_[static_cast<std::size_t>(n)], what));
  }
  bool empty() const { return list_.empty(); }
  std::string joined() const {
    std::string m;
    for (const std::string& p : list_) m += (m.empty() ? "" : "; ") + p;
    return m;
  }

 private:
  const FieldTexts& texts_;
  std::vector<std::string> list_;
};

// An option setting must hold one of the option numbers first..last.
void check_option(Problems& problems, int n, double value, int first, int last) {
  if (value < first || value > last || value != std::floor(value)) {
    problems.add(
        n, "is not one of the options " + std::to_string(first) + ".." + std::to_string(last));
  }
}

// Points of a scan grid lowest, lowest + step, ... up to highest; more would hold the run for
// days and the grid's memory with it.
constexpr double kMostScanPoints = 1e6;

// Portions of a year, weights, steps and the size of the scan: settings that read as numbers but
// that no run can use.
void check_ranges(const Settings& t, const std::array<bool, kFieldCount + 1>& read,
                  Problems& problems) {
  const auto was_read = [&](int n) { return read[static_cast<std::size_t>(n)]; };
  const auto portion = [&](int n, double v) {
    if (was_read(n) && !(v >= 0 && v <= 1)) problems.add(n, "is outside 0..1");
  };
  portion(43, t.parysp);
  for (int k = 1; k <= 7; ++k) portion(55 + k, t.indtime[k]);
  if (was_read(98) && !(t.weca >= 0)) problems.add(98, "is below 0");
  for (int k = 1; k <= 3; ++k) {
    if (was_read(98 + k) && !(t.wssb[k] >= 0)) problems.add(98 + k, "is below 0");
  }
  for (int k = 1; k <= 7; ++k) {
    if (was_read(101 + k) && !(t.wind[k] >= 0)) problems.add(101 + k, "is below 0");
  }
  // A precise search that may not step away from its initial guess finds nothing.
  const int precise_step = t.n1 == 1 ? 26 : 31;
  if (was_read(21) && !(t.fscanstep > 0)) problems.add(21, "is not above 0");
  if ((t.n1 == 1 || t.n1 == 2) && was_read(precise_step) && !(t.mscanstep > 0)) {
    problems.add(precise_step, "is not above 0");
  }

  if (t.scansearch != 1) return;
  // A grid whose step is lost beside its values would never end; one too fine, hardly.
  const auto points = [](double lowest, double highest, double step) {
    if (!(step > 0) || highest < lowest) return 1.0;
    if (lowest + step == lowest) return HUGE_VAL;
    return std::floor((highest - lowest) / step) + 1;
  };
  double grid = was_read(17) && was_read(18) && was_read(19)
                    ? points(t.fscanmin, t.fscanmax, t.fscanstep)
                    : 1.0;
  std::string fields = "Text17..Text19";
  if (t.n1 == 1 || t.n1 == 2) {
    const int low = t.n1 == 1 ? 22 : 27;
    if (was_read(low) && was_read(low + 1) && was_read(low + 2)) {
      grid *= points(t.mscanmin, t.mscanmax, t.mscanstep);
    }
    fields += " and Text" + std::to_string(low) + "..Text" + std::to_string(low + 2);
  }
  if (grid > kMostScanPoints) {
    problems.add(19, "makes a scan of more than 1000000 points (the bounds and steps " + fields +
                         ")");
  }
}

// The checks of the settings that the run cannot work with. `read` marks the fields that were
// read and held a number; a field that failed to read is already reported.
void check_settings(const Settings& t, const std::array<bool, kFieldCount + 1>& read,
                    Problems& problems) {
  const auto option = [&](int n, double value, int first, int last) {
    if (read[static_cast<std::size_t>(n)]) check_option(problems, n, value, first, last);
  };
  option(3, t.n1, 1, 3);
  option(6, t.n21, 1, 4);
  option(7, t.n22, 1, 3);
  option(13, t.n3, 1, 2);
  option(14, t.n5, 1, 4);
  option(16, t.scansearch, 1, 2);
  option(36, t.scron, 1, 2);
  option(38, t.indssb, 1, 2);
  option(47, t.indaged, 1, 2);
  option(112, t.gfactoron, 1, 2);
  option(115, t.eachyearnormir, 1, 2);
  // With SSB surveys on, all three kinds are checked, also those of surveys not used.
  for (int k = 1; k <= 3; ++k) option(108 + k, t.ssbrel[k], 1, 2);
  for (int k = 1; k <= 7; ++k) {
    option(62 + k, t.indtype[k], 1, 3);
    option(69 + k, t.qest[k], 1, 2);
    option(76 + k, t.indcomp[k], 1, 3);
    if (t.indmin[k]) option(83 + k, *t.indmin[k], 1, 3);
  }

  // The per-survey and per-fleet arrays have no further slots.
  if (read[39] && (t.totalinds < 0 || t.totalinds > 3)) problems.add(39, "is outside 0..3");
  if (read[48] && (t.totalind < 0 || t.totalind > 7)) problems.add(48, "is outside 0..7");

  // The scan grids the run uses: a positive step, and a highest value not below the lowest.
  if (t.scansearch == 1) {
    if (read[17] && read[18] && t.fscanmax < t.fscanmin) {
      problems.add(18, "is below the lowest value of the scan (" + field_title(field(17)) + ")");
    }
    if (read[19] && !(t.fscanstep > 0)) problems.add(19, "is not above 0");
    if (t.n1 == 1 || t.n1 == 2) {
      const int low = t.n1 == 1 ? 22 : 27;
      if (read[static_cast<std::size_t>(low)] && read[static_cast<std::size_t>(low + 1)] &&
          t.mscanmax < t.mscanmin) {
        problems.add(low + 1,
                     "is below the lowest value of the scan (" + field_title(field(low)) + ")");
      }
      if (read[static_cast<std::size_t>(low + 2)] && !(t.mscanstep > 0)) {
        problems.add(low + 2, "is not above 0");
      }
    }
  }

  // Mode 3 mixes the two solutions of the recursion; a portion outside 0..1 extrapolates beyond
  // both and can keep the loss from settling.
  if (read[15] && !(t.mix >= 0 && t.mix <= 1)) problems.add(15, "is outside 0..1");

  // The median-based losses average an even number of central elements, at least two.
  if (read[33] && (t.centralel < 2 || t.centralel % 2 != 0)) {
    problems.add(33, "is not an even number of at least 2");
  }
  check_ranges(t, read, problems);
}

}  // namespace

const Field& field(int n) {
  assert(n >= 1 && n <= kFieldCount);
  return kFields[static_cast<std::size_t>(n - 1)];
}

std::string field_title(const Field& f) {
  std::string_view heading = f.heading.substr(0, f.heading.find('\n'));
  while (!heading.empty() && is_blank(heading.front())) heading.remove_prefix(1);
  if (heading.empty()) return std::string(f.label);
  if (f.label.empty()) return std::string(heading);
  return std::string(heading) + " " + std::string(f.label);
}

std::string field_problem(int n, std::string_view text, std::string_view what) {
  return field_title(field(n)) + " '" + token_text(text) + "' " + std::string(what) + " (Text" +
         std::to_string(n) + ")";
}

FieldTexts default_field_texts() {
  FieldTexts texts;
  for (const Field& f : kFields) texts[static_cast<std::size_t>(f.number)] = f.default_text;
  return texts;
}

void read_settings(RunState& s, const FieldTexts& texts) {
  Settings t;
  copy_settings(t, s);

  // A survey or fleet that is not used must contribute nothing.
  t.totalinds = 0;
  t.totalind = 0;
  t.wssb.fill(0);
  t.wind.fill(0);

  Problems problems(texts);
  std::array<bool, kFieldCount + 1> read{};
  for (const Field& f : kFields) {
    const int n = f.number;
    const std::string& text = texts[static_cast<std::size_t>(n)];
    if (stored(f, t)) {
      const Target target = target_of(t, n);
      if (f.kind == FieldKind::Text) {
        *std::get<std::string*>(target) = text;
        read[static_cast<std::size_t>(n)] = true;
      } else if (const std::optional<double> value = parse_number(text); !value) {
        problems.add(n, "is not a number");
      } else if (f.kind == FieldKind::Real) {
        *std::get<double*>(target) = *value;
        read[static_cast<std::size_t>(n)] = true;
      } else if (const std::optional<std::int16_t> whole = round_to_int16(*value); !whole) {
        problems.add(n, "is not a whole number between -32768 and 32767");
      } else {
        if (auto* plain = std::get_if<std::int16_t*>(&target)) {
          **plain = *whole;
        } else {
          *std::get<std::optional<std::int16_t>*>(target) = *whole;
        }
        read[static_cast<std::size_t>(n)] = true;
      }
    }
    // The form of the convergence test follows the method: direct search or not.
    if (n == 6) t.n4 = t.n21 == 4 ? 1 : 2;
    if (n == 36) t.brev1 = 1;
  }

  check_settings(t, read, problems);
  if (!problems.empty()) throw SettingsError(problems.joined());
  copy_settings(s, t);
}

}  // namespace quorvane
