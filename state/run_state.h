// The run state: one record of plain fields that every procedure of the computation reads and
// writes. It lives as long as the program session; each START overwrites what it reads and
// leaves the rest, so a setting whose field a run does not read keeps its earlier value.
//
// Ages and years are held as indices after START: a = age - firstage + 2, y = year - firstyear + 1
// (state/indices.h). The analysed block is a = agemin..agemax, y = yearmin..yearmax.
// Integer settings, counters and flags are 16-bit; reals are IEEE doubles. Arrays per SSB survey
// have slots 0..3 and per aged fleet slots 0..7; slot 0 is never used.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/print.h"
#include "state/forecast_settings.h"
#include "state/reference_points.h"
#include "state/tables.h"
#include "state/uniform_random.h"

namespace quorvane {

struct ResultsRecord;  // report/results_record.h

// Option numbers where the code branches on them.
enum class MOption : std::int16_t { Constant = 1, ByAge = 2, Known = 3 };
enum class Method : std::int16_t { Nonlog = 1, Log = 2, NonlogWeighted = 3, Direct = 4 };
enum class Loss : std::int16_t { MDN = 1, SSE = 2, AMD = 3 };
enum class Mode : std::int16_t { Catch = 1, Effort = 2, Mixed = 3, MixedByPoints = 4 };
enum class Search : std::int16_t { Scan = 1, Precise = 2 };
enum class LastAgeKind : std::int16_t { PlusGroup = 1, Normal = 2 };
// Yes/no settings hold 1 for yes and 2 for no.
enum class YesNo : std::int16_t { Yes = 1, No = 2 };

// Whether an option setting holds the option.
template <typename Option>
constexpr bool holds(std::int16_t setting, Option option) {
  return setting == static_cast<std::int16_t>(option);
}
enum class BootstrapKind : std::int16_t { Chained, Independent };

// The files a run keeps open between procedure calls.
//
// An open file belongs to the one run state that opened it. A copy of a run state (a bootstrap
// run computed on another core) starts with every file closed, and assigning one run state to
// another leaves the files of the one assigned to as they are: copying moves the computation,
// never the files.
struct OpenFiles {
  PrintFile results;              // channel 4: results file, START .. RESPRINT
  PrintFile minim;                // channel 5: "minim.out", driver .. finalization
  std::array<PrintFile, 7> boot;  // channels 7..13: bootS1, bootS2, bootf, bootTSB, bootNtrm,
                                  // bootSSB, bootm

  OpenFiles() = default;
  OpenFiles(const OpenFiles& /*other*/) {}
  OpenFiles& operator=(const OpenFiles& /*other*/) { return *this; }
};

struct RunState {
  // ---- Session ----------------------------------------------------------------------------
  std::string workdir = ".";  // stands for the fixed working directory; every name is relative
  UniformRandom rng;          // never reseeded for the life of the session
  OpenFiles files;
  // Threads on which the bootstrap runs are computed: 0 every core, 1 one after the other. The
  // written files are the same whatever the number.
  std::int16_t bootstrap_threads = 0;
  // How the bootstrap runs follow one another: chained, each drawing from where the one before
  // left the random sequence and the fleet copies; or independent replicates, each drawn around
  // the observed data from a generator of its own seeded from (bootstrap_seed, k).
  BootstrapKind bootstrap_kind = BootstrapKind::Chained;
  std::uint32_t bootstrap_seed = kDefaultSeed;
  // Independent replicates first_replicate..last_replicate only (0: from 1, up to boottot). A
  // part after the first writes no headers and no main-run lines, so that the pieces of a split
  // bootstrap concatenate into the files of the whole.
  std::int32_t first_replicate = 0, last_replicate = 0;
  // What the tables and charts say beside the results: the ages (labels) of the mean F, F-bar,
  // none for all ages of the analysis; the units of catch numbers and weights as the user states
  // them.
  static constexpr const char* kUnitNotStated = "not stated";
  std::optional<std::array<int, 2>> fbar_ages;
  std::string units_numbers = kUnitNotStated, units_weight = kUnitNotStated;
  ReferencePoints reference;      // the stock's reference points, none unless stated
  ForecastSettings forecast;      // the short-term forecast after the run, off unless asked for
  std::string stock_weight_file;  // the stock weights' file, empty for the catch weights W

  // ---- Run settings, in field order ---------------------------------------------------------
  std::string AnamefileC;       // Text1
  std::string AnamefileW;       // Text2
  std::int16_t n1 = 0;          // Text3  M option
  std::int16_t amp = 0;         // Text4  age of mass maturity (index after START)
  std::string AnamefileM;       // Text5
  std::int16_t n21 = 0;         // Text6  Method
  std::int16_t n4 = 0;          // 1 when n21 = 4, else 2
  std::int16_t n22 = 0;         // Text7  catch loss
  std::int16_t yearmin = 0;     // Text8  (index after START)
  std::int16_t yearmax = 0;     // Text9
  std::int16_t yearmid = 0;     // Text10
  std::int16_t agemin = 0;      // Text11
  std::int16_t agemax = 0;      // Text12
  std::int16_t n3 = 0;          // Text13 1 plus group, 2 normal last age
  std::int16_t n5 = 0;          // Text14 Mode
  double mix = 0;               // Text15
  std::int16_t scansearch = 0;  // Text16
  double fscanmin = 0, fscanmax = 0, fscanstep = 0;  // Text17..21
  double mscanmin = 0, mscanmax = 0, mscanstep = 0;  // Text22..31
  double smoother = 0;                               // Text32
  std::int16_t centralel = 0;                        // Text33
  double part = 0;                                   // Text34
  std::string AnamefileR;                            // Text35
  std::int16_t scron = 0;                            // Text36
  std::int16_t brev1 = 0;                            // set to 1 after field 36
  // Anamefile[1..7]: aged fleet files (Text49..55); [8]: maturity (Text37);
  // [9..11]: SSB surveys (Text40..42).
  std::array<std::string, 12> Anamefile{};
  std::int16_t indssb = 0;                          // Text38
  std::int16_t totalinds = 0;                       // Text39
  double parysp = 0;                                // Text43
  std::array<double, kSsbSlots> stdssb{};           // Text44..46
  std::int16_t indaged = 0;                         // Text47
  std::int16_t totalind = 0;                        // Text48
  std::array<double, kFleetSlots> indtime{};        // Text56..62
  std::array<std::int16_t, kFleetSlots> indtype{};  // Text63..69
  std::array<std::int16_t, kFleetSlots> qest{};     // Text70..76
  std::array<std::int16_t, kFleetSlots> indcomp{};  // Text77..83
  // Text84..90. Empty until a START stores the fleet's field: the results file then writes
  // nothing in that fleet's column.
  std::array<std::optional<std::int16_t>, kFleetSlots> indmin{};
  std::array<double, kFleetSlots> stdind{};  // Text91..97
  double weca = 0;                           // Text98
  std::array<double, kSsbSlots> wssb{};      // Text99..101
  std::array<double, kFleetSlots> wind{};    // Text102..108
  std::array<double, kSsbSlots> ssbrel{};    // Text109..111
  std::int16_t gfactoron = 0;                // Text112
  std::int16_t tragemin = 0;                 // Text113 (index after START)
  std::int16_t tragemax = 0;                 // Text114
  std::int16_t eachyearnormir = 0;           // Text115

  // ---- Dimensions of the C(a,y) file ----------------------------------------------------------
  double firstage = 0, lastage = 0, firstyear = 0, lastyear = 0;
  std::array<double, 5> headC{};  // line 1 of the C(a,y) file, slots 1..4
  std::array<double, 5> headX{};  // line 1 of the last other table read

  // ---- Tables by age and year -------------------------------------------------------------
  AgeYearTable C, Corig, W, M;
  // Stock weights, which the spawning stock and the total stock in weight are weighed with: a
  // copy of W unless the run names a file of its own (stock_weight_file); the catch is always
  // weighed with W.
  AgeYearTable SW;
  AgeYearTable N, s, PHY, gfactor;
  AgeYearTable resid, resid2;
  AgeYearTable ind;    // the aged fleet table in hand
  AgeYearTable sprev;  // s(a,y) at the start of the current pass

  // ---- Vectors --------------------------------------------------------------------------
  YearVector f{}, fprev{}, phylogsum{};
  AgeVector s1{}, s2{}, s1prev{}, s2prev{}, s1sum{}, s2sum{};
  std::array<YearVector, kSsbSlots> ssbind{};                          // ssbind[k][y]
  std::array<std::array<double, kFleetSlots>, kAgeSlots> q{};          // q[a][k]
  std::array<std::array<double, kFleetSlots>, kYearSlots> sumabund{};  // sumabund[y][k]
  std::array<double, kSsbSlots> kssb{}, errssb{};
  std::array<double, kFleetSlots> errind{};

  // ---- Losses ---------------------------------------------------------------------------
  double SSET = 0, SSETP = 0, SSETPP = 0;  // catch loss of the latest cohort computation and
                                           // the two before it; carried between evaluations
  double SSEL = 0;                         // catch loss of an evaluation
  double SSEALL = 0;                       // weighted total loss
  double SSEL1 = 0;                        // copy of SSET for the direct search
  double SSEP = 0, SSEP1 = 0;
  double SSEALLminimal = 0;

  // ---- Search protocol ------------------------------------------------------------------
  double METKA = 0;  // 1000 terminal f, 2000 MC, 3000 LALFA
  double PARAM = 0;
  double metka1 = 0;  // a: s1(a); 50 + a: s2(a); 100 + y: f(y); 0 none
  double PARAM1 = 0;
  double LGRAN = 0, RGRAN = 0;
  double DELTA = 0, DELTA1 = 0;
  double MC = 0, PREVMC = 0;
  double LALFA = 0, PREVALFA = 0;
  double PREF = 0;
  std::int16_t bflag = 0, bflag1 = 0, bsessons = 0;

  // ---- Working values ---------------------------------------------------------------------
  std::int16_t agemaxa = 0;  // oldest age that the cohort recursion computes
  double rekv1 = 0, rekv2 = 0;
  double sigma = 0;
  std::int16_t kmax = 0, popa = 0;
  double smallestSE = 0;
  std::array<double, 1801> sortbuf{};  // positions 1..1800
  double sb = 0;
  std::int16_t trayearmax = 0;
  std::int16_t curind = 0, curinds = 0, maturread = 0, ppa = 0, ppy = 0;
  double dolpol = 0;

  // ---- Caches of tables read during a run -------------------------------------------------
  // The maturity table and the fleet tables are read once and kept; the values are exactly those
  // a fresh read of the file would give. START and newindex invalidate them.
  AgeYearTable maturity_table;
  bool maturity_loaded = false;
  std::array<AgeYearTable, kFleetSlots> fleet_table;
  std::array<bool, kFleetSlots> fleet_loaded{};
  std::int16_t fleet_source_bootn =
      0;  // which file the cached fleets came from (bootn <= 1 or not)

  // ln C(a,y), and the C(a,y) it was taken of: the cohort computation takes the logarithm of a
  // catch again only when that catch has changed (a new START, a bootstrap draw).
  AgeYearTable log_catch, log_catch_of;

  // ---- Run flags --------------------------------------------------------------------------
  std::int16_t zz = 0, userend = 0, boot = 0, boottot = 0, bootn = 0, contboot = 0;
  // Evaluations of the whole objective completed (log line written) since the driver started.
  // A stop before the first one finds cells that the results writer cannot compute.
  long evaluations = 0;

  // ---- What the results file of the main run held (report/results_record.h) ----------------
  // Made by the results writer, extended by every finished bootstrap run; the tidy tables are
  // written from it when the run is over. Empty until a results file has been written.
  std::shared_ptr<ResultsRecord> results_record;

  // ---- Labels of indices (for tables and messages) -----------------------------------------
  double age_label(int a) const { return a + firstage - 2; }
  double year_label(int y) const { return y + firstyear - 1; }
  int nages() const { return agemax - agemin + 1; }
  int nyears() const { return yearmax - yearmin + 1; }
  // Number of years and of age columns (year label included) of the C(a,y) file's matrix.
  int file_years() const { return static_cast<int>(lastyear - firstyear + 1); }
  int file_columns() const { return static_cast<int>(lastage - firstage + 2); }
};

// The labels of a cell as whole numbers, for the messages that name it.
inline int age_of(const RunState& s, int a) { return static_cast<int>(s.age_label(a)); }
inline int year_of(const RunState& s, int y) { return static_cast<int>(s.year_label(y)); }

}  // namespace quorvane
