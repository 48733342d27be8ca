// The SSB survey reader on any text. The first byte of an input chooses the number of years of
// the run (1 to 60) and whether it is a bootstrap run, in which every positive value is
// perturbed; the rest is the survey file, read as surveys 1 to 3. A file that breaks the layout
// ends in InputError, a value too large to perturb in ArithmeticFault; nothing else may escape.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/errors.h"
#include "base/host.h"
#include "data/survey_data.h"
#include "fuzz_file.h"
#include "state/run_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorvane;
  if (size == 0) return 0;
  static const fuzzing::FuzzFile file("ssb.txt");
  static auto s = std::make_unique<RunState>();
  static Host host;
  const std::uint8_t control = data[0];
  file.write(data + 1, size - 1);

  s->workdir = file.dir();
  s->firstyear = 1984;
  s->lastyear = s->firstyear + control % 60;
  s->bootn = (control & 0x80) ? 1 : 0;
  s->totalinds = 3;
  for (int k = 1; k <= 3; ++k) {
    s->Anamefile[static_cast<std::size_t>(8 + k)] = file.name();
    s->stdssb[static_cast<std::size_t>(k)] = 0.3 * k;
  }
  try {
    ssbread(*s, host);
  } catch (const InputError&) {
  } catch (const ArithmeticFault&) {
  }
  return 0;
}
