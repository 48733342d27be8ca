// Fields files: "TextN=value" lines, as the batch runner reads them and the window saves them.
#include "run/fields_file.h"

#include <gtest/gtest.h>

#include <array>

#include <string>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "run/run_keys.h"
#include "tests/support/files.h"

namespace quorvane {
namespace {

TEST(FieldsFile, FieldsAreNamedByNumberOrByName) {
  EXPECT_EQ(field_by_numbered_name("Text1"), FieldId::CatchFile);
  EXPECT_EQ(field_by_numbered_name("Text115"), FieldId::NormaliseEachYear);
  for (const char* bad :
       {"Text0", "Text116", "Text01", "text5", "Text", "Text1a", "Text-1", "Text 5", "Text1000"}) {
    EXPECT_FALSE(field_by_numbered_name(bad)) << bad;
  }
  EXPECT_EQ(field_by_name("first_year"), FieldId::FirstYear);
  EXPECT_EQ(field_by_name("fleet3_time"), FieldId::Fleet3Time);
  EXPECT_FALSE(field_by_name("First_Year"));
}

TEST(FieldsFile, LinesSetTrimmedTextsInEitherForm) {
  testing::ScratchDir dir;
  const std::string path = dir.write("fields.txt",
                                     "# suggested settings\r\n\r\n   # indented comment\n"
                                     "Text8 = 1990  \r\ncatch_file=dir\\c.txt\nresults_file =\n"
                                     "fleet2_time = 0.75\n");
  FieldTexts texts = default_field_texts();
  read_fields_file(path, texts);
  EXPECT_EQ(texts[FieldId::FirstYear], "1990");
  EXPECT_EQ(texts[FieldId::CatchFile], "dir\\c.txt");
  EXPECT_EQ(texts[FieldId::ResultsFile], "");
  EXPECT_EQ(texts[FieldId::Fleet2Time], "0.75");
  EXPECT_EQ(texts[FieldId::LastYear], "2014");  // untouched fields keep their default
  EXPECT_THROW(read_fields_file(dir.file("absent.txt"), texts), SettingsError);
  EXPECT_THROW(apply_field_line(texts, "Text116=1", "--set"), SettingsError);
  apply_field_line(texts, "last_year=2010", "--set");
  EXPECT_EQ(texts[FieldId::LastYear], "2010");
}

TEST(FieldsFile, SavedFieldsStandByNameBelowTheirLabelsAndReadBackTheSame) {
  testing::ScratchDir dir;
  FieldTexts texts = default_field_texts();
  texts[FieldId::CatchFile] = "stocks\\cod 2016\\c.txt";  // blanks and backslashes inside a name
  texts[FieldId::ResultsFile] = "run=1.out";               // an "=" inside the value
  texts[FieldId::Ssb1File] = "#1.txt";                     // a value that starts like a comment
  texts[FieldId::Ssb2File] = "";
  texts[FieldId::Fleet1Time] = "";  // a field emptied in the window
  write_fields_file(dir.file("saved.txt"), texts);
  const std::string text = dir.text("saved.txt");
  EXPECT_EQ(text.substr(0, text.find("weight_file")),
            "# Fields of a run: name = value, each below its label; '#' starts a comment\n"
            "# C(a,y) file: (Text1)\n"
            "catch_file = stocks\\cod 2016\\c.txt\n"
            "# W(a,y) file: (Text2)\n");
  FieldTexts loaded = default_field_texts();
  loaded[FieldId::Ssb2File] = "something else";
  read_fields_file(dir.file("saved.txt"), loaded);
  EXPECT_TRUE(loaded == texts);

  texts[FieldId::ResultsFile] = "two\nlines";  // no line can carry it
  EXPECT_THROW(fields_file_text(texts), SettingsError);
  EXPECT_THROW(write_fields_file(dir.file("absent/saved.txt"), default_field_texts()), InputError);
}

// The message with which a run key refuses a value (as at line 4 of f.txt), or "accepted".
std::string refusal_of(RunKeys& keys, const std::string& name, const std::string& value) {
  try {
    take_run_key(keys, name, value, "f.txt: line 4");
  } catch (const SettingsError& e) {
    return e.what();
  }
  return "accepted";
}

// The reference points beside the fields: read from "name = value" lines, written back as plain
// decimals that read as the same numbers; a value that is not a number above 0 is refused.
TEST(FieldsFile, ReferencePointsReadAndWriteBack) {
  RunKeys keys;
  EXPECT_TRUE(take_run_key(keys, "blim", "3e5", "f.txt: line 1"));
  EXPECT_TRUE(take_run_key(keys, "fpa", "0.45", "f.txt: line 2"));
  EXPECT_FALSE(take_run_key(keys, "Blim", "1", "f.txt: line 3"));
  const std::string text = run_keys_text(keys);
  EXPECT_NE(text.find("\nblim = 300000\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nfpa = 0.45\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("bpa"), std::string::npos) << text;
  EXPECT_EQ(reference_point_text(1e-7), "0.0000001");
  for (const char* bad : {"0", "-3", "abc", "inf", ""}) {
    EXPECT_EQ(refusal_of(keys, "bpa", bad),
              std::string("f.txt: line 4: bpa '") + bad + "' is not a number above 0");
  }
}

TEST(FieldsFile, ForecastKeysReadAndWriteBack) {
  RunKeys keys;
  EXPECT_TRUE(take_run_key(keys, "forecast", "yes", "f.txt: line 1"));
  EXPECT_TRUE(take_run_key(keys, "forecast_recruitment", "1990-2010", "f.txt: line 2"));
  EXPECT_TRUE(take_run_key(keys, "forecast_intermediate_catch", "3e5", "f.txt: line 3"));
  const std::string text = run_keys_text(keys);
  EXPECT_NE(text.find("\nforecast_intermediate_catch = 300000\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nforecast = yes\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nforecast_recruitment = 1990-2010\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("forecast_mean_years"), std::string::npos) << text;
  RunState s;
  apply_run_keys(keys, s);
  EXPECT_TRUE(s.forecast.on);
  EXPECT_EQ(s.forecast.mean_years, 3);
  EXPECT_EQ(s.forecast.intermediate_catch, 300000);
  for (const auto& [name, value, message] : std::vector<std::array<std::string, 3>>{
           {"forecast", "1", "forecast '1' is not yes or no"},
           {"forecast_mean_years", "0", "forecast_mean_years '0' is not a whole number of years "
                                        "from 1 to 20"},
           {"forecast_mean_years", "2.5", "forecast_mean_years '2.5' is not a whole number of "
                                          "years from 1 to 20"},
           {"forecast_recruitment", "2010-1990", "forecast_recruitment '2010-1990' is not a range "
                                                 "of years A-B"},
           {"forecast_intermediate_catch", "-1", "forecast_intermediate_catch '-1' is not a catch "
                                                 "of 0 or more"}}) {
    EXPECT_EQ(refusal_of(keys, name, value), "f.txt: line 4: " + message);
  }
}

// Simulated stocks for the stochastic equilibrium: a number of stocks within bounds, which leaves
// the forecast they are made with as the keys say.
TEST(FieldsFile, EquilibriumSimulationsReadAndWriteBack) {
  RunKeys keys;
  RunState s;
  apply_run_keys(keys, s);
  EXPECT_EQ(s.forecast.equilibrium_simulations, 0);
  EXPECT_TRUE(take_run_key(keys, "equilibrium_simulations", "1e3", "f.txt: line 1"));
  EXPECT_NE(run_keys_text(keys).find("\nequilibrium_simulations = 1000\n"), std::string::npos);
  apply_run_keys(keys, s);
  EXPECT_FALSE(s.forecast.on);
  EXPECT_EQ(s.forecast.equilibrium_simulations, 1000);
  for (const char* bad : {"9", "20001", "100.5", "many", ""}) {
    EXPECT_EQ(refusal_of(keys, "equilibrium_simulations", bad),
              std::string("f.txt: line 4: equilibrium_simulations '") + bad +
                  "' is not a whole number of stocks from 10 to 20000");
  }
  // The error of the F realised: a spread on the log scale and an autocorrelation.
  EXPECT_TRUE(take_run_key(keys, "equilibrium_f_cv", "0.212", "f.txt: line 2"));
  EXPECT_TRUE(take_run_key(keys, "equilibrium_f_autocorrelation", "-0.4", "f.txt: line 3"));
  const std::string text = run_keys_text(keys);
  EXPECT_NE(text.find("\nequilibrium_f_cv = 0.212\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nequilibrium_f_autocorrelation = -0.4\n"), std::string::npos) << text;
  apply_run_keys(keys, s);
  EXPECT_EQ(s.forecast.equilibrium_f_cv, 0.212);
  EXPECT_EQ(s.forecast.equilibrium_f_autocorrelation, -0.4);
  // The advice rule, yes or no.
  EXPECT_TRUE(take_run_key(keys, "equilibrium_advice_rule", "yes", "f.txt: line 1"));
  EXPECT_NE(run_keys_text(keys).find("\nequilibrium_advice_rule = yes\n"), std::string::npos);
  apply_run_keys(keys, s);
  EXPECT_TRUE(s.forecast.equilibrium_advice_rule);
  EXPECT_EQ(refusal_of(keys, "equilibrium_advice_rule", "1"),
            "f.txt: line 4: equilibrium_advice_rule '1' is not yes or no");
  EXPECT_EQ(refusal_of(keys, "equilibrium_f_cv", "-0.1"),
            "f.txt: line 4: equilibrium_f_cv '-0.1' is not a number from 0 to 1");
  EXPECT_EQ(refusal_of(keys, "equilibrium_f_autocorrelation", "0.95"),
            "f.txt: line 4: equilibrium_f_autocorrelation '0.95' is not a number from -0.9 to "
            "0.9");
}

// The stock weights' file is a name like the fields' file names; a line without one is refused.
TEST(FieldsFile, StockWeightFileReadsAndWritesBack) {
  RunKeys keys;
  RunState s;
  apply_run_keys(keys, s);
  EXPECT_EQ(s.stock_weight_file, "");
  EXPECT_TRUE(take_run_key(keys, "stock_weight_file", "haddock/sw.txt", "f.txt: line 1"));
  EXPECT_NE(run_keys_text(keys).find("\nstock_weight_file = haddock/sw.txt\n"),
            std::string::npos);
  apply_run_keys(keys, s);
  EXPECT_EQ(s.stock_weight_file, "haddock/sw.txt");
  EXPECT_EQ(refusal_of(keys, "stock_weight_file", ""),
            "f.txt: line 4: stock_weight_file names no file");
}

// The run settings as the window edits them: the lines of a settings file without the fields.
TEST(RunKeysText, ReadsTheLinesAndNamesABadOne) {
  const RunKeys keys =
      read_run_keys_text("# F-bar\nfbar = 3-5\n\n  bpa = 2e5  \r\nforecast = yes\n", "Run settings");
  EXPECT_EQ(keys.fbar, (std::array<int, 2>{3, 5}));
  EXPECT_EQ(keys.reference.bpa, 200000);
  EXPECT_EQ(keys.forecast, true);
  EXPECT_EQ(read_run_keys_text(run_keys_text(keys), "again"), keys);
  for (const auto& [text, message] : std::vector<std::pair<std::string, std::string>>{
           {"fbar = 3-5\nbpa 2e5\n", "Run settings: line 2: 'bpa 2e5' is not of the form name = value"},
           {"first_year = 1990\n", "Run settings: line 1: 'first_year' is not a run setting"},
           {"bpa = 1\n#\nbpa = 2\n", "Run settings: line 3: bpa is set again; line 1 set it already"},
           {"fbar = 7-3\n", "Run settings: line 1: fbar '7-3' is not a range of ages A-B"}}) {
    try {
      read_run_keys_text(text, "Run settings");
      ADD_FAILURE() << text;
    } catch (const SettingsError& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
}

TEST(FieldsFile, AFileWithABadLineNamesItAndLoadsNothing) {
  testing::ScratchDir dir;
  const FieldTexts before = default_field_texts();
  for (const auto& [content, message] : std::vector<std::pair<std::string, std::string>>{
           {"Text8=1990\nText9=2000\nText116=3\n",
            ": line 3: 'Text116' is not a field name (Text1..Text115)"},
           {"first_year=1990\nfirst_yaer = 1991\n",
            ": line 2: 'first_yaer' is not a field name (closest: first_year, first_age, "
            "last_year)"},
           {"# saved\nText8=1990\nyears 1990\n",
            ": line 3: 'years 1990' is not of the form name=value"},
           // One field twice, whether by the same name or by its two names.
           {"Text8=1990\nlast_year=2000\nfirst_year = 1991\n",
            ": line 3: first_year (Text8) is set again; line 1 set it already"},
           {"mode=1\n\nmode=2\n", ": line 3: mode (Text14) is set again; line 1 set it already"}}) {
    const std::string path = dir.write("bad.txt", content);
    FieldTexts texts = before;
    try {
      read_fields_file(path, texts);
      ADD_FAILURE() << content;
    } catch (const SettingsError& e) {
      EXPECT_EQ(std::string(e.what()), path + message);
    }
    EXPECT_TRUE(texts == before) << content;
  }
}

}  // namespace
}  // namespace quorvane
