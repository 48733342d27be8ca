#include "run/fields_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "state/errors.h"

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
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "quorvane_fields_file_test.txt";
  std::ofstream(path, std::ios::binary) << "# suggested settings\r\n"
                                        << "\r\n"
                                        << "   # indented comment\n"
                                        << "Text8 = 1990  \r\n"
                                        << "Text1=dir\\c.txt\n"
                                        << "Text35=\n"
                                        << "Text8=1991\n";
  FieldTexts texts = default_field_texts();
  read_fields_file(path.string(), texts);
  EXPECT_EQ(texts[8], "1991");
  EXPECT_EQ(texts[1], "dir\\c.txt");
  EXPECT_EQ(texts[35], "");
  EXPECT_EQ(texts[9], "2014");  // untouched fields keep their default

  std::ofstream(path, std::ios::binary) << "Text8=1990\n\nText9 2014\n";
  try {
    read_fields_file(path.string(), texts);
    ADD_FAILURE();
  } catch (const SettingsError& e) {
    EXPECT_EQ(std::string(e.what()),
              path.string() + ": line 3: 'Text9 2014' is not of the form TextN=value");
  }
  std::filesystem::remove(path);
  EXPECT_THROW(read_fields_file(path.string(), texts), SettingsError);
  EXPECT_THROW(apply_field_line(texts, "Text116=1", "--set"), SettingsError);
}

}  // namespace
}  // namespace quorvane
