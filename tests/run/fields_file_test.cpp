// Fields files: "TextN=value" lines, as the batch runner reads them and the window saves them.
#include "run/fields_file.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "state/errors.h"
#include "tests/support/files.h"

namespace quorvane {
namespace {

TEST(FieldsFile, FieldNamesAreText1ToText115) {
  EXPECT_EQ(field_number("Text1"), 1);
  EXPECT_EQ(field_number("Text115"), 115);
  for (const char* bad :
       {"Text0", "Text116", "Text01", "text5", "Text", "Text1a", "Text-1", "Text 5", "Text1000"}) {
    EXPECT_FALSE(field_number(bad)) << bad;
  }
}

TEST(FieldsFile, LinesSetTrimmedTextsAndLaterLinesWin) {
  testing::ScratchDir dir;
  const std::string path = dir.write("fields.txt",
                                     "# suggested settings\r\n\r\n   # indented comment\n"
                                     "Text8 = 1990  \r\nText1=dir\\c.txt\nText35=\nText8=1991\n");
  FieldTexts texts = default_field_texts();
  read_fields_file(path, texts);
  EXPECT_EQ(texts[8], "1991");
  EXPECT_EQ(texts[1], "dir\\c.txt");
  EXPECT_EQ(texts[35], "");
  EXPECT_EQ(texts[9], "2014");  // untouched fields keep their default
  EXPECT_THROW(read_fields_file(dir.file("absent.txt"), texts), SettingsError);
  EXPECT_THROW(apply_field_line(texts, "Text116=1", "--set"), SettingsError);
}

TEST(FieldsFile, SavedFieldsStandBelowTheirLabelsAndReadBackTheSame) {
  testing::ScratchDir dir;
  FieldTexts texts = default_field_texts();
  texts[1] = "stocks\\cod 2016\\c.txt";  // blanks and backslashes inside a name
  texts[35] = "run=1.out";               // an "=" inside the value
  texts[40] = "#1.txt";                  // a value that starts like a comment
  texts[41] = "";
  write_fields_file(dir.file("saved.txt"), texts);
  const std::string text = dir.text("saved.txt");
  EXPECT_EQ(text.substr(0, text.find("Text2=")),
            "# Fields of a run: TextN=value, each below its label; '#' starts a comment\n"
            "# C(a,y) file:\n"
            "Text1=stocks\\cod 2016\\c.txt\n"
            "# W(a,y) file:\n");
  FieldTexts loaded = default_field_texts();
  loaded[41] = "something else";
  read_fields_file(dir.file("saved.txt"), loaded);
  EXPECT_EQ(loaded, texts);

  texts[35] = "two\nlines";  // no line can carry it
  EXPECT_THROW(fields_file_text(texts), SettingsError);
  EXPECT_THROW(write_fields_file(dir.file("absent/saved.txt"), default_field_texts()), InputError);
}

TEST(FieldsFile, AFileWithABadLineNamesItAndLoadsNothing) {
  testing::ScratchDir dir;
  const FieldTexts before = default_field_texts();
  for (const auto& [content, message] : std::vector<std::pair<std::string, std::string>>{
           {"Text8=1990\nText9=2000\nText116=3\n",
            ": line 3: 'Text116' is not a field name (Text1..Text115)"},
           {"# saved\nText8=1990\nyears 1990\n",
            ": line 3: 'years 1990' is not of the form TextN=value"}}) {
    const std::string path = dir.write("bad.txt", content);
    FieldTexts texts = before;
    try {
      read_fields_file(path, texts);
      ADD_FAILURE() << content;
    } catch (const SettingsError& e) {
      EXPECT_EQ(std::string(e.what()), path + message);
    }
    EXPECT_EQ(texts, before) << content;
  }
}

}  // namespace
}  // namespace quorvane
