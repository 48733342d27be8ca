// A saved settings file given to quorvane-batch runs the assessment of the fields it holds.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "run/fields_file.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int batch(const fs::path& dir, const std::string& args) {
  const std::string command = std::string("'") + QUORVANE_BATCH_EXE + "' --workdir '" +
                              dir.string() + "' --no-tables " + args + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The demo's fields with a changed first year, saved, against the same fields set one by one.
TEST(SavedSettingsInTheBatchRunner, GiveTheResultsFileOfTheFieldsTheyHold) {
  const fs::path base = fs::temp_directory_path() / "quorvane_saved_settings_batch";
  fs::remove_all(base);
  for (const char* name : {"saved", "set"}) {
    fs::create_directories(base / name);
    fs::copy(QUORVANE_SOURCE_DIR "/demo", base / name / "demo", fs::copy_options::recursive);
    fs::permissions(base / name / "demo", fs::perms::owner_all, fs::perm_options::add);
  }
  FieldTexts texts = default_field_texts();
  texts[8] = "1990";
  texts[17] = "1.5";
  write_fields_file((base / "fields.txt").string(), texts);

  ASSERT_EQ(batch(base / "saved", "--fields '" + (base / "fields.txt").string() + "'"), 0);
  ASSERT_EQ(batch(base / "set", "--set Text8=1990 --set Text17=1.5"), 0);
  const std::string saved = slurp(base / "saved" / "output.out");
  EXPECT_FALSE(saved.empty());
  EXPECT_TRUE(saved == slurp(base / "set" / "output.out"));
  fs::remove_all(base);
}

}  // namespace
}  // namespace quorvane
