// The field registry: the 115 fields of the parameter window in one table. Each field has a name
// in the code (FieldId), a stable lower_snake name for fields files ("first_year"), its number n
// of "Text<n>" (the older form of fields files and the order in which START reads the fields),
// its label and default text, how its text is read, the setting of the run state it fills and
// when START stores it. Everything that names a field (the settings reader and its checks, the
// window, fields files, run.csv, the importer, the simulator, the batch runner) goes through
// this table; field numbers appear nowhere else.
//
// Labels. `label` is the text the window shows beside the field. For a field that stands at the
// end of a long row of option text (m_option, method, catch_loss, last_age_kind, mode, search) it
// is that whole row text. `heading` is the text the window shows once for a group of fields: "If
// Scan:" before a group of scan bounds, the column heading of the fleet grid, "Weights of
// components in the overall loss function:" above the weights. In the fleet grid `label` is the
// row label ("1:".."7:", drawn once at the left of the row) and `heading` the column heading, so
// fleet 3's survey time is called "Time(0-1): 3:". Messages name a field by field_title():
// heading and label together, which tells apart the several "Step :" fields.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "state/run_state.h"

namespace quorvane {

inline constexpr int kFieldCount = 115;

// The fields in the order START reads them; the value of each is its number n of "Text<n>".
enum class FieldId : std::uint8_t {
  CatchFile = 1,
  WeightFile,
  MOption,
  MassMaturityAge,
  MFile,
  Method,
  CatchLoss,
  FirstYear,
  LastYear,
  FirstPeriodEnd,
  FirstAge,
  LastAge,
  LastAgeKind,
  Mode,
  Mix,
  Search,
  FScanLow,
  FScanHigh,
  FScanStep,
  FGuess,
  FGuessStep,
  MScanLow,
  MScanHigh,
  MScanStep,
  MGuess,
  MGuessStep,
  AlfaScanLow,
  AlfaScanHigh,
  AlfaScanStep,
  AlfaGuess,
  AlfaGuessStep,
  Smoother,
  CentralElements,
  MaxCatchTime,
  ResultsFile,
  ShowProgress,
  MaturityFile,
  SsbOn,
  SsbCount,
  Ssb1File,
  Ssb2File,
  Ssb3File,
  SsbTime,
  Ssb1Std,
  Ssb2Std,
  Ssb3Std,
  FleetsOn,
  FleetCount,
  Fleet1File,
  Fleet2File,
  Fleet3File,
  Fleet4File,
  Fleet5File,
  Fleet6File,
  Fleet7File,
  Fleet1Time,
  Fleet2Time,
  Fleet3Time,
  Fleet4Time,
  Fleet5Time,
  Fleet6Time,
  Fleet7Time,
  Fleet1Type,
  Fleet2Type,
  Fleet3Type,
  Fleet4Type,
  Fleet5Type,
  Fleet6Type,
  Fleet7Type,
  Fleet1EstimateQ,
  Fleet2EstimateQ,
  Fleet3EstimateQ,
  Fleet4EstimateQ,
  Fleet5EstimateQ,
  Fleet6EstimateQ,
  Fleet7EstimateQ,
  Fleet1Compare,
  Fleet2Compare,
  Fleet3Compare,
  Fleet4Compare,
  Fleet5Compare,
  Fleet6Compare,
  Fleet7Compare,
  Fleet1Loss,
  Fleet2Loss,
  Fleet3Loss,
  Fleet4Loss,
  Fleet5Loss,
  Fleet6Loss,
  Fleet7Loss,
  Fleet1Std,
  Fleet2Std,
  Fleet3Std,
  Fleet4Std,
  Fleet5Std,
  Fleet6Std,
  Fleet7Std,
  CatchWeight,
  Ssb1Weight,
  Ssb2Weight,
  Ssb3Weight,
  Fleet1Weight,
  Fleet2Weight,
  Fleet3Weight,
  Fleet4Weight,
  Fleet5Weight,
  Fleet6Weight,
  Fleet7Weight,
  Ssb1Kind,
  Ssb2Kind,
  Ssb3Kind,
  Triple,
  TripleFirstAge,
  TripleLastAge,
  NormaliseEachYear,
};

// The per-fleet fields: one column of the window's fleet grid, or the fleet's weight.
enum class FleetColumn { File, Time, Type, EstimateQ, Compare, Loss, Std, Weight };
// The per-survey fields of the SSB surveys.
enum class SsbColumn { File, Std, Weight, Kind };

// The field of fleet k (1..7) in column c, and of SSB survey k (1..3).
FieldId fleet_field(FleetColumn c, int k);
FieldId ssb_field(SsbColumn c, int k);

enum class FieldKind { Text, Integer, Real };

// The condition under which START stores a field; otherwise the setting keeps its value.
enum class StoredWhen {
  Always,
  MixedMode,         // Mode::Mixed
  Scan,              // scan search
  Precise,           // precise search
  ScanConstantM,     // scan, M searched as a constant
  PreciseConstantM,  // precise, M searched as a constant
  ScanAlfa,          // scan, M searched as ALFA of M(a)
  PreciseAlfa,       // precise, M searched as ALFA of M(a)
  SsbOn,             // SSB surveys on
  SsbSurvey,         // SSB surveys on and totalinds >= slot
  AgedOn,            // aged fleets on
  AgedFleet,         // aged fleets on and totalind >= slot
};

// The setting of the run state that a field fills.
using SettingRef = std::variant<std::string*, std::int16_t*, std::optional<std::int16_t>*, double*>;
using SettingOf = SettingRef (*)(RunState&);

struct Field {
  FieldId id;
  std::string_view name;          // stable lower_snake name, "first_year"
  std::string_view label;         // the label beside the field, as the window shows it
  std::string_view default_text;  // the text the field holds at program start
  FieldKind kind;                 // how START reads it
  std::string_view setting_name;  // the setting it fills, by its run-state name: "wind(3)"
  SettingOf setting;              // the same setting, as a member of the run state
  StoredWhen stored_when;         // when START stores it
  int slot;                       // survey or fleet number k of a per-survey/per-fleet setting
  std::string_view heading;       // group heading shown once for the group, or empty
};

// Every field, in the order START reads them.
extern const std::array<Field, kFieldCount> kFields;

const Field& field(FieldId id);

// The text a file-name field (FieldKind::Text) put into the run state.
const std::string& text_setting(const RunState& s, FieldId id);

// The number n of "Text<n>", and the name "Text<n>" itself.
int field_number(FieldId id);
std::string numbered_name(FieldId id);

// The field called "Text<n>" (n = 1..115, no leading zero), or by its lower_snake name.
std::optional<FieldId> field_by_numbered_name(std::string_view name);
std::optional<FieldId> field_by_name(std::string_view name);

// The lower_snake names nearest to a mistyped one (by edit distance), for a message.
std::vector<std::string_view> closest_field_names(std::string_view name, std::size_t count = 3);

// The option numbers first..last that an option field may hold; empty for a field that is not
// a choice among options.
struct OptionRange {
  int first;
  int last;
};
std::optional<OptionRange> option_range(FieldId id);

// What a field accepts, for a listing: "1..3", "whole number", "number" or "text".
std::string allowed_values(FieldId id);

// The name by which messages call a field: heading and label, e.g. "If Scan: Step :".
std::string field_title(const Field& f);

// One problem with a field holding `text`, in the form of every message about a field:
// "<title> '<text>' <what> (Text<n>)".
std::string field_problem(FieldId id, std::string_view text, std::string_view what);

// The texts of all fields, one per field.
class FieldTexts {
 public:
  std::string& operator[](FieldId id) { return texts_[index(id)]; }
  const std::string& operator[](FieldId id) const { return texts_[index(id)]; }
  bool operator==(const FieldTexts&) const = default;

 private:
  static std::size_t index(FieldId id) { return static_cast<std::size_t>(id) - 1; }
  std::array<std::string, kFieldCount> texts_{};
};

FieldTexts default_field_texts();

}  // namespace quorvane
