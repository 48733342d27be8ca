// The batch runner's fields file on any text, then the fields it set read into the run settings
// as START reads them. A bad line or a bad field ends in SettingsError; nothing else may escape.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/errors.h"
#include "fuzz_file.h"
#include "run/fields_file.h"
#include "run/settings.h"
#include "state/run_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorvane;
  static const fuzzing::FuzzFile file("fields.txt");
  // One run state for every input, as the window program keeps one for a session.
  static auto s = std::make_unique<RunState>();
  file.write(data, size);
  FieldTexts texts = default_field_texts();
  try {
    read_fields_file(file.path(), texts);
    read_settings(*s, texts);
  } catch (const SettingsError&) {
  }
  return 0;
}
