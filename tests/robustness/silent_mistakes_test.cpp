// Mistakes in the input that keep the layout of a file or field but would put wrong numbers into
// the assessment without a sound: each must stop the run with a message that points at it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "base/errors.h"
#include "data/age_year_file.h"
#include "run/settings.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

// Reads a catch file of ages 1-2 and years 2001-2003 whose rows are given; returns the message
// of the InputError, or "" when the file was read.
std::string read_catch_rows(const std::string& rows) {
  const fs::path dir =
      fs::temp_directory_path() / ("quorvane_silent_mistakes_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "c.txt", std::ios::binary) << "1 2 2001 2003\nt\nt\nt\n" << rows;
  auto s = std::make_unique<RunState>();
  s->workdir = dir.string();
  s->AnamefileC = "c.txt";
  try {
    read_catch_file(*s, [] {});
  } catch (const InputError& e) {
    const std::string message = e.what();
    return message.substr(message.find("c.txt"));
  }
  return "";
}

TEST(SilentMistakes, RowsThatSlideAreRejectedWhereTheySlip) {
  // Well-formed: a group across two lines and a note after the last value are both fine.
  EXPECT_EQ(read_catch_rows("2001 10 11\n2002 20\n 21\n2003 30 31   end of table\n"), "");

  // A decimal comma in 2001 makes "0,5" two numbers: the row of 2002 starts one value late.
  EXPECT_EQ(read_catch_rows("2001 0,5 11\n2002 20 21\n2003 30 31\n"),
            "c.txt: line 5: '11' stands where the year 2002 begins its row: a value is missing "
            "or extra in the rows above, or a decimal comma split a number (the decimal point is "
            "a dot)")
      << "a decimal comma in a middle row";
  // A value left out of 2002: 2003 becomes the value for age 2 and 30 the year of the next row.
  EXPECT_NE(read_catch_rows("2001 10 11\n2002 20\n2003 30 31\n")
                .find("'30' stands where the "
                      "year 2003 begins"),
            std::string::npos);
  // The last row has no row after it to slip into; its extra number is caught on its own line.
  EXPECT_EQ(read_catch_rows("2001 10 11\n2002 20 21\n2003 0,3 31\n"),
            "c.txt: line 7: '31' follows the value for age 2 in year 2003: the row holds more "
            "values than ages, or a decimal comma split a number (the decimal point is a dot)");
}

TEST(SilentMistakes, MixedModePortionOutsideZeroToOneIsRejected) {
  for (const char* portion : {"1.5", "-0.1"}) {
    FieldTexts texts = default_field_texts();
    texts[FieldId::Mix] = portion;
    auto s = std::make_unique<RunState>();
    try {
      read_settings(*s, texts);
      ADD_FAILURE() << "portion " << portion << " was taken";
    } catch (const SettingsError& e) {
      EXPECT_NE(std::string(e.what()).find("is outside 0..1 (Text15)"), std::string::npos)
          << e.what();
    }
  }
  // Outside Mode 3 the portion is not read, so whatever it holds does not matter.
  FieldTexts texts = default_field_texts();
  texts[FieldId::Mode] = "1";
  texts[FieldId::Mix] = "7";
  auto s = std::make_unique<RunState>();
  EXPECT_NO_THROW(read_settings(*s, texts));
}

}  // namespace
}  // namespace quorvane
