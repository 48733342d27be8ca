#include "run/field_registry.h"

#include <algorithm>
#include <cassert>

#include "state/message_text.h"

namespace quorvane {

namespace {

// A field fills a setting of the run state, or one slot of a per-survey or per-fleet array.
template <auto Member>
SettingRef member(RunState& s) {
  return &(s.*Member);
}
template <auto Member, std::size_t K>
SettingRef slot(RunState& s) {
  return &(s.*Member)[K];
}

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
    {FieldId::CatchFile, "catch_file", "C(a,y) file:", "demo/c.txt", IText, "AnamefileC",
     member<&RunState::AnamefileC>, W::Always, 0, ""},
    {FieldId::WeightFile, "weight_file", "W(a,y) file:", "demo/w.txt", IText, "AnamefileW",
     member<&RunState::AnamefileW>, W::Always, 0, ""},
    {FieldId::MOption, "m_option",
     "Options for M: 1.To look for M=const;  2. To look for M=M(a); 3. M is known.    Option?:",
     "3", IInteger, "n1", member<&RunState::n1>, W::Always, 0, ""},
    {FieldId::MassMaturityAge, "mass_maturity_age", "If Option=2, input age of mass maturity:", "7",
     IInteger, "amp", member<&RunState::amp>, W::Always, 0, ""},
    {FieldId::MFile, "m_file", "If Option=3, input name of file:", "demo/mm.txt", IText,
     "AnamefileM", member<&RunState::AnamefileM>, W::Always, 0, ""},
    {FieldId::Method, "method",
     "Method: 1. Nonlog (basic);   2.Log;  3.Nonlog w-d;  4.Direct.           Option?:", "2",
     IInteger, "n21", member<&RunState::n21>, W::Always, 0, ""},
    {FieldId::CatchLoss, "catch_loss",
     "What to minimize for C(a,y)? 1.MDN[(LnC-LnCest)^2];  2.SUM[(LnC-LnCest)^2]; "
     "3.AMD(LnC-LnCest).   Option?:",
     "3", IInteger, "n22", member<&RunState::n22>, W::Always, 0, ""},
    {FieldId::FirstYear, "first_year", "Years for analysis.  First year:", "1984", IInteger,
     "yearmin", member<&RunState::yearmin>, W::Always, 0, ""},
    {FieldId::LastYear, "last_year", "Last year:", "2014", IInteger, "yearmax",
     member<&RunState::yearmax>, W::Always, 0, ""},
    {FieldId::FirstPeriodEnd, "first_period_end", "Last year of 1-st S(a):", "2014", IInteger,
     "yearmid", member<&RunState::yearmid>, W::Always, 0, ""},
    {FieldId::FirstAge, "first_age", "Ages for analysis.  First age:", "3", IInteger, "agemin",
     member<&RunState::agemin>, W::Always, 0, ""},
    {FieldId::LastAge, "last_age", "Last age:", "13", IInteger, "agemax", member<&RunState::agemax>,
     W::Always, 0, ""},
    {FieldId::LastAgeKind, "last_age_kind", "Last age is: 1- +-group, 2- normal.  Option?:", "1",
     IInteger, "n3", member<&RunState::n3>, W::Always, 0, ""},
    {FieldId::Mode, "mode",
     "Mode: 1.Catch-contr.; 2.Effort-contr.;  3.Mixed;  4.Mixed BPW.  Option?:", "3", IInteger,
     "n5", member<&RunState::n5>, W::Always, 0, ""},
    {FieldId::Mix, "mix", "If \"3\", input portion of \"1\" (0-1):", "0.5", IReal, "mix",
     member<&RunState::mix>, W::MixedMode, 0, ""},
    {FieldId::Search, "search", "What to do: 1.To scan; 2.To find precise solution  Option?:", "1",
     IInteger, "scansearch", member<&RunState::scansearch>, W::Always, 0, ""},
    {FieldId::FScanLow, "f_scan_low", "Lowest f :", "1", IReal, "fscanmin",
     member<&RunState::fscanmin>, W::Scan, 0, kIfScan},
    {FieldId::FScanHigh, "f_scan_high", "Highest f :", "5", IReal, "fscanmax",
     member<&RunState::fscanmax>, W::Scan, 0, kIfScan},
    {FieldId::FScanStep, "f_scan_step", "Step :", "0.25", IReal, "fscanstep",
     member<&RunState::fscanstep>, W::Scan, 0, kIfScan},
    {FieldId::FGuess, "f_guess", "Init. guess for f:", "2.4", IReal, "fscanmin",
     member<&RunState::fscanmin>, W::Precise, 0, kIfPrecise},
    {FieldId::FGuessStep, "f_guess_step", "Init.step for f:", "0.2", IReal, "fscanstep",
     member<&RunState::fscanstep>, W::Precise, 0, kIfPrecise},
    {FieldId::MScanLow, "m_scan_low", "Lowest M:", "0.01", IReal, "mscanmin",
     member<&RunState::mscanmin>, W::ScanConstantM, 0, kIfConstM},
    {FieldId::MScanHigh, "m_scan_high", "Highest M:", "0.8", IReal, "mscanmax",
     member<&RunState::mscanmax>, W::ScanConstantM, 0, kIfConstM},
    {FieldId::MScanStep, "m_scan_step", "Step :", "0.01", IReal, "mscanstep",
     member<&RunState::mscanstep>, W::ScanConstantM, 0, kIfConstM},
    {FieldId::MGuess, "m_guess", "Init. guess for M:", "0.20", IReal, "mscanmin",
     member<&RunState::mscanmin>, W::PreciseConstantM, 0, kIfPrecise},
    {FieldId::MGuessStep, "m_guess_step", "Init.step for M:", "0.01", IReal, "mscanstep",
     member<&RunState::mscanstep>, W::PreciseConstantM, 0, kIfPrecise},
    {FieldId::AlfaScanLow, "alfa_scan_low", "Lo.ALFA:", "0.001", IReal, "mscanmin",
     member<&RunState::mscanmin>, W::ScanAlfa, 0, kIfAlfa},
    {FieldId::AlfaScanHigh, "alfa_scan_high", "Hi.ALFA:", "0.06", IReal, "mscanmax",
     member<&RunState::mscanmax>, W::ScanAlfa, 0, kIfAlfa},
    {FieldId::AlfaScanStep, "alfa_scan_step", "Step :", "0.002", IReal, "mscanstep",
     member<&RunState::mscanstep>, W::ScanAlfa, 0, kIfAlfa},
    {FieldId::AlfaGuess, "alfa_guess", "Init.g. for ALFA:", "0.03", IReal, "mscanmin",
     member<&RunState::mscanmin>, W::PreciseAlfa, 0, kIfPrecise},
    {FieldId::AlfaGuessStep, "alfa_guess_step", "Init.s. for ALFA:", "0.002", IReal, "mscanstep",
     member<&RunState::mscanstep>, W::PreciseAlfa, 0, kIfPrecise},
    {FieldId::Smoother, "smoother", "Inter-iterational smoother (rec. 0.5-0.9) :", "0.8", IReal,
     "smoother", member<&RunState::smoother>, W::Always, 0, ""},
    {FieldId::CentralElements, "central_elements", "No. (even) of c.e. for MDN (rec.=10):", "4",
     IInteger, "centralel", member<&RunState::centralel>, W::Always, 0, ""},
    {FieldId::MaxCatchTime, "max_catch_time", "Part of the year for max. catch :", "0.5", IReal,
     "part", member<&RunState::part>, W::Always, 0, ""},
    {FieldId::ResultsFile, "results_file", "Name of file for final resullts:", "output.out", IText,
     "AnamefileR", member<&RunState::AnamefileR>, W::Always, 0, ""},
    {FieldId::ShowProgress, "show_progress", "Current results on screen? 1-Yes, 2-No :", "1",
     IInteger, "scron", member<&RunState::scron>, W::Always, 0, ""},
    {FieldId::MaturityFile, "maturity_file", "Matur(a,y) file:", "demo/mat.txt", IText,
     "Anamefile8", slot<&RunState::Anamefile, 8>, W::Always, 0, ""},
    {FieldId::SsbOn, "ssb_on", "To include SSB surveys? 1-Yes, 2-No :", "1", IInteger, "indssb",
     member<&RunState::indssb>, W::Always, 0, ""},
    {FieldId::SsbCount, "ssb_count", "How many (<=3)? :", "1", IInteger, "totalinds",
     member<&RunState::totalinds>, W::SsbOn, 0, ""},
    {FieldId::Ssb1File, "ssb1_file", "1:", "demo/SSB1.txt", IText, "Anamefile9",
     slot<&RunState::Anamefile, 9>, W::SsbSurvey, 1, kSsbFiles},
    {FieldId::Ssb2File, "ssb2_file", "2:", "ssb2.txt", IText, "Anamefile10",
     slot<&RunState::Anamefile, 10>, W::SsbSurvey, 2, kSsbFiles},
    {FieldId::Ssb3File, "ssb3_file", "3:", "ssb3.txt", IText, "Anamefile11",
     slot<&RunState::Anamefile, 11>, W::SsbSurvey, 3, kSsbFiles},
    {FieldId::SsbTime, "ssb_time", "Portion of the year before SSBsurvey (0-1), same for all:",
     "0.4", IReal, "parysp", member<&RunState::parysp>, W::Always, 0, ""},
    {FieldId::Ssb1Std, "ssb1_std", "ssb1:", "0.3", IReal, "stdssb(1)", slot<&RunState::stdssb, 1>,
     W::SsbOn, 1, kSsbStd},
    {FieldId::Ssb2Std, "ssb2_std", "ssb2:", "0.3", IReal, "stdssb(2)", slot<&RunState::stdssb, 2>,
     W::SsbOn, 2, kSsbStd},
    {FieldId::Ssb3Std, "ssb3_std", "ssb3:", "0.3", IReal, "stdssb(3)", slot<&RunState::stdssb, 3>,
     W::SsbOn, 3, kSsbStd},
    {FieldId::FleetsOn, "fleets_on", "To include Aged surveys? 1-Yes, 2-No:", "1", IInteger,
     "indaged", member<&RunState::indaged>, W::Always, 0, ""},
    {FieldId::FleetCount, "fleet_count", "How many (<=7)?:", "4", IInteger, "totalind",
     member<&RunState::totalind>, W::AgedOn, 0, ""},
    {FieldId::Fleet1File, "fleet1_file", "1:", "demo/fleet1.txt", IText, "Anamefile1",
     slot<&RunState::Anamefile, 1>, W::AgedFleet, 1, kFleetFiles},
    {FieldId::Fleet2File, "fleet2_file", "2:", "demo/fleet2.txt", IText, "Anamefile2",
     slot<&RunState::Anamefile, 2>, W::AgedFleet, 2, kFleetFiles},
    {FieldId::Fleet3File, "fleet3_file", "3:", "demo/fleet3.txt", IText, "Anamefile3",
     slot<&RunState::Anamefile, 3>, W::AgedFleet, 3, kFleetFiles},
    {FieldId::Fleet4File, "fleet4_file", "4:", "demo/fleet4.txt", IText, "Anamefile4",
     slot<&RunState::Anamefile, 4>, W::AgedFleet, 4, kFleetFiles},
    {FieldId::Fleet5File, "fleet5_file", "5:", "None", IText, "Anamefile5",
     slot<&RunState::Anamefile, 5>, W::AgedFleet, 5, kFleetFiles},
    {FieldId::Fleet6File, "fleet6_file", "6:", "None", IText, "Anamefile6",
     slot<&RunState::Anamefile, 6>, W::AgedFleet, 6, kFleetFiles},
    {FieldId::Fleet7File, "fleet7_file", "7:", "None", IText, "Anamefile7",
     slot<&RunState::Anamefile, 7>, W::AgedFleet, 7, kFleetFiles},
    {FieldId::Fleet1Time, "fleet1_time", "1:", "0.5", IReal, "indtime(1)",
     slot<&RunState::indtime, 1>, W::AgedFleet, 1, kFleetTime},
    {FieldId::Fleet2Time, "fleet2_time", "2:", "0.99", IReal, "indtime(2)",
     slot<&RunState::indtime, 2>, W::AgedFleet, 2, kFleetTime},
    {FieldId::Fleet3Time, "fleet3_time", "3:", "0.99", IReal, "indtime(3)",
     slot<&RunState::indtime, 3>, W::AgedFleet, 3, kFleetTime},
    {FieldId::Fleet4Time, "fleet4_time", "4:", "0.9", IReal, "indtime(4)",
     slot<&RunState::indtime, 4>, W::AgedFleet, 4, kFleetTime},
    {FieldId::Fleet5Time, "fleet5_time", "5:", "0.5", IReal, "indtime(5)",
     slot<&RunState::indtime, 5>, W::AgedFleet, 5, kFleetTime},
    {FieldId::Fleet6Time, "fleet6_time", "6:", "0.5", IReal, "indtime(6)",
     slot<&RunState::indtime, 6>, W::AgedFleet, 6, kFleetTime},
    {FieldId::Fleet7Time, "fleet7_time", "7:", "0.5", IReal, "indtime(7)",
     slot<&RunState::indtime, 7>, W::AgedFleet, 7, kFleetTime},
    {FieldId::Fleet1Type, "fleet1_type", "1:", "1", IInteger, "indtype(1)",
     slot<&RunState::indtype, 1>, W::AgedFleet, 1, kFleetType},
    {FieldId::Fleet2Type, "fleet2_type", "2:", "1", IInteger, "indtype(2)",
     slot<&RunState::indtype, 2>, W::AgedFleet, 2, kFleetType},
    {FieldId::Fleet3Type, "fleet3_type", "3:", "1", IInteger, "indtype(3)",
     slot<&RunState::indtype, 3>, W::AgedFleet, 3, kFleetType},
    {FieldId::Fleet4Type, "fleet4_type", "4:", "1", IInteger, "indtype(4)",
     slot<&RunState::indtype, 4>, W::AgedFleet, 4, kFleetType},
    {FieldId::Fleet5Type, "fleet5_type", "5:", "1", IInteger, "indtype(5)",
     slot<&RunState::indtype, 5>, W::AgedFleet, 5, kFleetType},
    {FieldId::Fleet6Type, "fleet6_type", "6:", "1", IInteger, "indtype(6)",
     slot<&RunState::indtype, 6>, W::AgedFleet, 6, kFleetType},
    {FieldId::Fleet7Type, "fleet7_type", "7:", "1", IInteger, "indtype(7)",
     slot<&RunState::indtype, 7>, W::AgedFleet, 7, kFleetType},
    {FieldId::Fleet1EstimateQ, "fleet1_estimate_q", "1:", "1", IInteger, "qest(1)",
     slot<&RunState::qest, 1>, W::AgedFleet, 1, kFleetQ},
    {FieldId::Fleet2EstimateQ, "fleet2_estimate_q", "2:", "1", IInteger, "qest(2)",
     slot<&RunState::qest, 2>, W::AgedFleet, 2, kFleetQ},
    {FieldId::Fleet3EstimateQ, "fleet3_estimate_q", "3:", "1", IInteger, "qest(3)",
     slot<&RunState::qest, 3>, W::AgedFleet, 3, kFleetQ},
    {FieldId::Fleet4EstimateQ, "fleet4_estimate_q", "4:", "1", IInteger, "qest(4)",
     slot<&RunState::qest, 4>, W::AgedFleet, 4, kFleetQ},
    {FieldId::Fleet5EstimateQ, "fleet5_estimate_q", "5:", "1", IInteger, "qest(5)",
     slot<&RunState::qest, 5>, W::AgedFleet, 5, kFleetQ},
    {FieldId::Fleet6EstimateQ, "fleet6_estimate_q", "6:", "1", IInteger, "qest(6)",
     slot<&RunState::qest, 6>, W::AgedFleet, 6, kFleetQ},
    {FieldId::Fleet7EstimateQ, "fleet7_estimate_q", "7:", "1", IInteger, "qest(7)",
     slot<&RunState::qest, 7>, W::AgedFleet, 7, kFleetQ},
    {FieldId::Fleet1Compare, "fleet1_compare", "1:", "1", IInteger, "indcomp(1)",
     slot<&RunState::indcomp, 1>, W::AgedFleet, 1, kFleetCompare},
    {FieldId::Fleet2Compare, "fleet2_compare", "2:", "1", IInteger, "indcomp(2)",
     slot<&RunState::indcomp, 2>, W::AgedFleet, 2, kFleetCompare},
    {FieldId::Fleet3Compare, "fleet3_compare", "3:", "1", IInteger, "indcomp(3)",
     slot<&RunState::indcomp, 3>, W::AgedFleet, 3, kFleetCompare},
    {FieldId::Fleet4Compare, "fleet4_compare", "4:", "1", IInteger, "indcomp(4)",
     slot<&RunState::indcomp, 4>, W::AgedFleet, 4, kFleetCompare},
    {FieldId::Fleet5Compare, "fleet5_compare", "5:", "3", IInteger, "indcomp(5)",
     slot<&RunState::indcomp, 5>, W::AgedFleet, 5, kFleetCompare},
    {FieldId::Fleet6Compare, "fleet6_compare", "6:", "3", IInteger, "indcomp(6)",
     slot<&RunState::indcomp, 6>, W::AgedFleet, 6, kFleetCompare},
    {FieldId::Fleet7Compare, "fleet7_compare", "7:", "1", IInteger, "indcomp(7)",
     slot<&RunState::indcomp, 7>, W::AgedFleet, 7, kFleetCompare},
    {FieldId::Fleet1Loss, "fleet1_loss", "1:", "2", IInteger, "indmin(1)",
     slot<&RunState::indmin, 1>, W::AgedFleet, 1, kFleetLoss},
    {FieldId::Fleet2Loss, "fleet2_loss", "2:", "2", IInteger, "indmin(2)",
     slot<&RunState::indmin, 2>, W::AgedFleet, 2, kFleetLoss},
    {FieldId::Fleet3Loss, "fleet3_loss", "3:", "2", IInteger, "indmin(3)",
     slot<&RunState::indmin, 3>, W::AgedFleet, 3, kFleetLoss},
    {FieldId::Fleet4Loss, "fleet4_loss", "4:", "2", IInteger, "indmin(4)",
     slot<&RunState::indmin, 4>, W::AgedFleet, 4, kFleetLoss},
    {FieldId::Fleet5Loss, "fleet5_loss", "5:", "3", IInteger, "indmin(5)",
     slot<&RunState::indmin, 5>, W::AgedFleet, 5, kFleetLoss},
    {FieldId::Fleet6Loss, "fleet6_loss", "6:", "1", IInteger, "indmin(6)",
     slot<&RunState::indmin, 6>, W::AgedFleet, 6, kFleetLoss},
    {FieldId::Fleet7Loss, "fleet7_loss", "7:", "2", IInteger, "indmin(7)",
     slot<&RunState::indmin, 7>, W::AgedFleet, 7, kFleetLoss},
    {FieldId::Fleet1Std, "fleet1_std", "1:", "0.3", IReal, "stdind(1)", slot<&RunState::stdind, 1>,
     W::AgedFleet, 1, kFleetStd},
    {FieldId::Fleet2Std, "fleet2_std", "2:", "0.3", IReal, "stdind(2)", slot<&RunState::stdind, 2>,
     W::AgedFleet, 2, kFleetStd},
    {FieldId::Fleet3Std, "fleet3_std", "3:", "0.3", IReal, "stdind(3)", slot<&RunState::stdind, 3>,
     W::AgedFleet, 3, kFleetStd},
    {FieldId::Fleet4Std, "fleet4_std", "4:", "0.3", IReal, "stdind(4)", slot<&RunState::stdind, 4>,
     W::AgedFleet, 4, kFleetStd},
    {FieldId::Fleet5Std, "fleet5_std", "5:", "0.3", IReal, "stdind(5)", slot<&RunState::stdind, 5>,
     W::AgedFleet, 5, kFleetStd},
    {FieldId::Fleet6Std, "fleet6_std", "6:", "0.3", IReal, "stdind(6)", slot<&RunState::stdind, 6>,
     W::AgedFleet, 6, kFleetStd},
    {FieldId::Fleet7Std, "fleet7_std", "7:", "0.3", IReal, "stdind(7)", slot<&RunState::stdind, 7>,
     W::AgedFleet, 7, kFleetStd},
    {FieldId::CatchWeight, "catch_weight", "C(a,y):", "1", IReal, "weca", member<&RunState::weca>,
     W::Always, 0, kWeights},
    {FieldId::Ssb1Weight, "ssb1_weight", "SSB1:", "1", IReal, "wssb(1)", slot<&RunState::wssb, 1>,
     W::SsbSurvey, 1, kWeights},
    {FieldId::Ssb2Weight, "ssb2_weight", "SSB2:", "1", IReal, "wssb(2)", slot<&RunState::wssb, 2>,
     W::SsbSurvey, 2, kWeights},
    {FieldId::Ssb3Weight, "ssb3_weight", "SSB3:", "1", IReal, "wssb(3)", slot<&RunState::wssb, 3>,
     W::SsbSurvey, 3, kWeights},
    {FieldId::Fleet1Weight, "fleet1_weight", "Aged1 :", "0.2", IReal, "wind(1)",
     slot<&RunState::wind, 1>, W::AgedFleet, 1, kWeights},
    {FieldId::Fleet2Weight, "fleet2_weight", "Aged2 :", ".2", IReal, "wind(2)",
     slot<&RunState::wind, 2>, W::AgedFleet, 2, kWeights},
    {FieldId::Fleet3Weight, "fleet3_weight", "Aged3 :", ".1", IReal, "wind(3)",
     slot<&RunState::wind, 3>, W::AgedFleet, 3, kWeights},
    {FieldId::Fleet4Weight, "fleet4_weight", "Aged4 :", ".2", IReal, "wind(4)",
     slot<&RunState::wind, 4>, W::AgedFleet, 4, kWeights},
    {FieldId::Fleet5Weight, "fleet5_weight", "Aged5 :", "1", IReal, "wind(5)",
     slot<&RunState::wind, 5>, W::AgedFleet, 5, kWeights},
    {FieldId::Fleet6Weight, "fleet6_weight", "Aged6 :", "1", IReal, "wind(6)",
     slot<&RunState::wind, 6>, W::AgedFleet, 6, kWeights},
    {FieldId::Fleet7Weight, "fleet7_weight", "Aged7 :", "1", IReal, "wind(7)",
     slot<&RunState::wind, 7>, W::AgedFleet, 7, kWeights},
    {FieldId::Ssb1Kind, "ssb1_kind", "", "2", IReal, "ssbrel(1)", slot<&RunState::ssbrel, 1>,
     W::SsbOn, 1, kSsbRel},
    {FieldId::Ssb2Kind, "ssb2_kind", "", "1", IReal, "ssbrel(2)", slot<&RunState::ssbrel, 2>,
     W::SsbOn, 2, kSsbRel},
    {FieldId::Ssb3Kind, "ssb3_kind", "", "1", IReal, "ssbrel(3)", slot<&RunState::ssbrel, 3>,
     W::SsbOn, 3, kSsbRel},
    {FieldId::Triple, "triple", "Triple? 1-Yes, 2-No", "1", IInteger, "gfactoron",
     member<&RunState::gfactoron>, W::Always, 0, ""},
    {FieldId::TripleFirstAge, "triple_first_age", "TrAgeMin:", "3", IInteger, "tragemin",
     member<&RunState::tragemin>, W::Always, 0, kForTriple},
    {FieldId::TripleLastAge, "triple_last_age", "TrAgeMax:", "12", IInteger, "tragemax",
     member<&RunState::tragemax>, W::Always, 0, kForTriple},
    {FieldId::NormaliseEachYear, "normalise_each_year", "1-Yes, 2-No:", "1", IInteger,
     "eachyearnormir", member<&RunState::eachyearnormir>, W::Always, 0, "s-normir for EachYear?"},
}};

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// The first field of each per-fleet and per-survey column; fleet k's field is k - 1 further on.
constexpr std::array<FieldId, 8> kFleetColumnStart = {
    FieldId::Fleet1File,    FieldId::Fleet1Time, FieldId::Fleet1Type, FieldId::Fleet1EstimateQ,
    FieldId::Fleet1Compare, FieldId::Fleet1Loss, FieldId::Fleet1Std,  FieldId::Fleet1Weight};
constexpr std::array<FieldId, 4> kSsbColumnStart = {FieldId::Ssb1File, FieldId::Ssb1Std,
                                                    FieldId::Ssb1Weight, FieldId::Ssb1Kind};

FieldId shifted(FieldId first, int k) {
  return static_cast<FieldId>(static_cast<int>(first) + k - 1);
}

// Levenshtein distance, for suggesting the names nearest to a mistyped one.
std::size_t edit_distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::optional<OptionRange> option_range(FieldId id) {
  switch (id) {
    case FieldId::MOption:
    case FieldId::CatchLoss:
      return OptionRange{1, 3};
    case FieldId::Method:
    case FieldId::Mode:
      return OptionRange{1, 4};
    case FieldId::LastAgeKind:
    case FieldId::Search:
    case FieldId::ShowProgress:
    case FieldId::SsbOn:
    case FieldId::FleetsOn:
    case FieldId::Triple:
    case FieldId::NormaliseEachYear:
      return OptionRange{1, 2};
    default:
      break;
  }
  for (int k = 1; k <= 3; ++k) {
    if (id == ssb_field(SsbColumn::Kind, k)) return OptionRange{1, 2};
  }
  for (int k = 1; k <= 7; ++k) {
    if (id == fleet_field(FleetColumn::Type, k) || id == fleet_field(FleetColumn::Compare, k) ||
        id == fleet_field(FleetColumn::Loss, k)) {
      return OptionRange{1, 3};
    }
    if (id == fleet_field(FleetColumn::EstimateQ, k)) return OptionRange{1, 2};
  }
  return std::nullopt;
}

std::string allowed_values(FieldId id) {
  if (const std::optional<OptionRange> r = option_range(id)) {
    return std::to_string(r->first) + ".." + std::to_string(r->last);
  }
  switch (field(id).kind) {
    case FieldKind::Integer:
      return "whole number";
    case FieldKind::Real:
      return "number";
    case FieldKind::Text:
      break;
  }
  return "text";
}

FieldId fleet_field(FleetColumn c, int k) {
  assert(k >= 1 && k <= 7);
  return shifted(kFleetColumnStart[static_cast<std::size_t>(c)], k);
}

FieldId ssb_field(SsbColumn c, int k) {
  assert(k >= 1 && k <= 3);
  return shifted(kSsbColumnStart[static_cast<std::size_t>(c)], k);
}

const Field& field(FieldId id) {
  const Field& f = kFields[static_cast<std::size_t>(id) - 1];
  assert(f.id == id);
  return f;
}

const std::string& text_setting(const RunState& s, FieldId id) {
  assert(field(id).kind == FieldKind::Text);
  // The accessor hands out a pointer into the run state; it is only read here.
  return *std::get<std::string*>(field(id).setting(const_cast<RunState&>(s)));
}

int field_number(FieldId id) { return static_cast<int>(id); }

std::string numbered_name(FieldId id) { return "Text" + std::to_string(field_number(id)); }

std::optional<FieldId> field_by_numbered_name(std::string_view name) {
  constexpr std::string_view kPrefix = "Text";
  if (name.size() <= kPrefix.size() || name.size() > kPrefix.size() + 3 ||
      name.substr(0, kPrefix.size()) != kPrefix) {
    return std::nullopt;
  }
  int n = 0;
  for (char c : name.substr(kPrefix.size())) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (n < 1 || n > kFieldCount || name[kPrefix.size()] == '0') return std::nullopt;
  return static_cast<FieldId>(n);
}

std::optional<FieldId> field_by_name(std::string_view name) {
  for (const Field& f : kFields) {
    if (f.name == name) return f.id;
  }
  return std::nullopt;
}

std::vector<std::string_view> closest_field_names(std::string_view name, std::size_t count) {
  std::vector<std::pair<std::size_t, std::string_view>> ranked;
  for (const Field& f : kFields) ranked.emplace_back(edit_distance(name, f.name), f.name);
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string_view> nearest;
  for (std::size_t i = 0; i < std::min(count, ranked.size()); ++i) {
    nearest.push_back(ranked[i].second);
  }
  return nearest;
}

std::string field_title(const Field& f) {
  std::string_view heading = f.heading.substr(0, f.heading.find('\n'));
  while (!heading.empty() && is_blank(heading.front())) heading.remove_prefix(1);
  if (heading.empty()) return std::string(f.label);
  if (f.label.empty()) return std::string(heading);
  return std::string(heading) + " " + std::string(f.label);
}

std::string field_problem(FieldId id, std::string_view text, std::string_view what) {
  return field_title(field(id)) + " '" + token_text(text) + "' " + std::string(what) + " (" +
         numbered_name(id) + ")";
}

FieldTexts default_field_texts() {
  FieldTexts texts;
  for (const Field& f : kFields) texts[f.id] = f.default_text;
  return texts;
}

}  // namespace quorvane
