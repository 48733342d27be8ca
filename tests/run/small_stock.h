// A small stock for tests of whole runs: a copy of tests/data/small_stock (four ages over six
// years, the catch computed forward from known numbers; its fields file says how) in a fresh
// scratch folder, with the field texts of its fields file.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "run/fields_file.h"
#include "run/settings.h"
#include "state/run_state.h"
#include "tests/support/files.h"

namespace quorvane::testing {

class SmallStock {
 public:
  SmallStock() : state_(std::make_unique<RunState>()) {
    copy_folder(kSourceDir / "tests/data/small_stock", dir_.path());
    state_->workdir = dir_.str();
    read_fields_file(dir_.file("fields.txt"), texts_);
  }
  void set(FieldId id, std::string text) { texts_[id] = std::move(text); }
  const FieldTexts& texts() const { return texts_; }
  RunState& state() { return *state_; }
  std::filesystem::path file(const std::string& name) const { return dir_ / name; }

 private:
  std::unique_ptr<RunState> state_;
  ScratchDir dir_;
  FieldTexts texts_ = default_field_texts();
};

}  // namespace quorvane::testing
