#include "app/parameter_layout.h"

namespace quorvane::app {

namespace {

using Id = FieldId;

constexpr LayoutCell F(FieldId id) { return {false, id}; }
constexpr LayoutCell H(FieldId id) { return {true, id}; }

}  // namespace

const std::vector<LayoutRow>& parameter_rows() {
  static const std::vector<LayoutRow> rows = {
      /* 1 */ {{}, {F(Id::Triple)}},
      /* 2 */ {{F(Id::CatchFile), F(Id::WeightFile), F(Id::MaturityFile)}, {}},
      /* 3 */ {{F(Id::MOption)}, {}},
      /* 4 */ {{F(Id::MassMaturityAge), F(Id::MFile)}, {H(Id::TripleFirstAge)}},
      /* 5 */ {{F(Id::Method)}, {F(Id::TripleFirstAge)}},
      /* 6 */ {{F(Id::CatchLoss)}, {F(Id::TripleLastAge)}},
      /* 7 */ {{F(Id::FirstYear), F(Id::LastYear), F(Id::FirstPeriodEnd)}, {H(Id::NormaliseEachYear), F(Id::NormaliseEachYear)}},
      /* 8 */ {{F(Id::FirstAge), F(Id::LastAge), F(Id::LastAgeKind)}, {}},
      /* 9 */ {{F(Id::Mode), F(Id::Mix)}, {}},
      /* 10 */ {{F(Id::Search)}, {}},
      /* 11 */ {{H(Id::FScanLow), F(Id::FScanLow), F(Id::FScanHigh), F(Id::FScanStep), H(Id::FGuess), F(Id::FGuess), F(Id::FGuessStep)}, {}},
      /* 12 */ {{H(Id::MScanLow), F(Id::MScanLow), F(Id::MScanHigh), F(Id::MScanStep), H(Id::MGuess), F(Id::MGuess), F(Id::MGuessStep)}, {}},
      /* 13 */ {{H(Id::AlfaScanLow), F(Id::AlfaScanLow), F(Id::AlfaScanHigh), F(Id::AlfaScanStep), H(Id::AlfaGuess), F(Id::AlfaGuess), F(Id::AlfaGuessStep)}, {}},
      /* 14 */ {{F(Id::Smoother), F(Id::CentralElements), F(Id::MaxCatchTime)}, {}},
      /* 15 */ {{F(Id::ResultsFile), F(Id::ShowProgress)}, {}},
      /* 16 */ {{F(Id::SsbOn), F(Id::SsbCount), H(Id::Ssb1File), F(Id::Ssb1File), F(Id::Ssb2File), F(Id::Ssb3File)}, {}},
      /* 17 */ {{F(Id::SsbTime), H(Id::Ssb1Std), F(Id::Ssb1Std), F(Id::Ssb2Std), F(Id::Ssb3Std)}, {}},
      /* 18 */ {{F(Id::FleetsOn), F(Id::FleetCount), H(Id::Ssb1Kind), F(Id::Ssb1Kind), F(Id::Ssb2Kind), F(Id::Ssb3Kind)}, {}},
      /* 19 */ {{}, {}},
      /* 20 */ {{H(Id::CatchWeight), F(Id::CatchWeight), F(Id::Ssb1Weight), F(Id::Ssb2Weight), F(Id::Ssb3Weight)}, {}},
      /* 21 */ {{F(Id::Fleet1Weight), F(Id::Fleet2Weight), F(Id::Fleet3Weight), F(Id::Fleet4Weight), F(Id::Fleet5Weight), F(Id::Fleet6Weight), F(Id::Fleet7Weight)}, {}},
  };
  return rows;
}

}  // namespace quorvane::app
