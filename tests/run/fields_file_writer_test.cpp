// Saved settings: the fields file writer, and reading a saved file back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "run/fields_file.h"
#include "state/errors.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

class SavedSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / "quorvane_saved_settings";
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

TEST_F(SavedSettings, EveryFieldIsWrittenBelowItsLabelAndReadsBackTheSame) {
  FieldTexts texts = default_field_texts();
  texts[1] = "stocks\\cod 2016\\c.txt";  // blanks and backslashes inside a name
  texts[35] = "run=1.out";               // an "=" inside the value
  texts[40] = "#1.txt";                  // a value that starts like a comment
  texts[41] = "";
  texts[8] = "1990";
  write_fields_file(path("saved.txt"), texts);

  std::ifstream in(path("saved.txt"), std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(text.substr(0, text.find("Text2=")),
            "# Fields of a run: TextN=value, each below its label; '#' starts a comment\n"
            "# C(a,y) file:\n"
            "Text1=stocks\\cod 2016\\c.txt\n"
            "# W(a,y) file:\n");
  EXPECT_NE(text.find("\nText115="), std::string::npos);

  FieldTexts loaded = default_field_texts();
  loaded[41] = "something else";
  read_fields_file(path("saved.txt"), loaded);
  EXPECT_EQ(loaded, texts);
}

TEST_F(SavedSettings, AFileWithABadLineNamesItAndLoadsNothing) {
  const FieldTexts before = default_field_texts();
  for (const auto& [content, message] : std::vector<std::pair<std::string, std::string>>{
           {"Text8=1990\nText9=2000\nText116=3\n",
            ": line 3: 'Text116' is not a field name (Text1..Text115)"},
           {"# saved\nText8=1990\nyears 1990\n",
            ": line 3: 'years 1990' is not of the form TextN=value"}}) {
    std::ofstream(path("bad.txt"), std::ios::binary) << content;
    FieldTexts texts = before;
    try {
      read_fields_file(path("bad.txt"), texts);
      ADD_FAILURE() << content;
    } catch (const SettingsError& e) {
      EXPECT_EQ(std::string(e.what()), path("bad.txt") + message);
    }
    EXPECT_EQ(texts, before) << content;
  }
}

TEST_F(SavedSettings, TextsThatNoLineCanCarryAndUnwritablePlacesAreRefused) {
  FieldTexts texts = default_field_texts();
  texts[35] = "two\nlines";
  EXPECT_THROW(fields_file_text(texts), SettingsError);
  EXPECT_THROW(write_fields_file(path("absent/saved.txt"), default_field_texts()), InputError);
}

}  // namespace
}  // namespace quorvane
