// The age-by-year reader on any text: the C(a,y) reader takes its dimensions from the file's
// line 1, then the same text is read again as a table of those dimensions (a W(a,y) or M(a,y)
// file). A file that breaks the layout must end in InputError; nothing else may escape, and no
// read or write may leave the tables.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/errors.h"
#include "data/age_year_file.h"
#include "fuzz_file.h"
#include "state/run_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorvane;
  static const fuzzing::FuzzFile file("c.txt");
  static auto s = std::make_unique<RunState>();
  file.write(data, size);
  s->workdir = file.dir();
  s->AnamefileC = file.name();
  try {
    read_catch_file(*s, [] {});
    read_table_file(*s, file.path(), s->W);
  } catch (const InputError&) {
  }
  return 0;
}
