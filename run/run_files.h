// The files of one run, inputs and outputs, resolved to what they name on disk, so that a run
// never writes over one of its own inputs and never writes outside its working directory.
//
// The names typed in the fields are relative to the working directory ("/" and "\" both
// separate folders); an absolute name stands as given. A name is resolved through "..", "." and
// symbolic links, as far as the path exists, before names are compared: "demo\c.txt",
// "./demo/../demo/c.txt" and a link to demo/c.txt all name the same file.
#pragma once

#include <string>
#include <vector>

#include "state/run_state.h"

namespace quorvane {

// The files the run writes beside the results file, by fixed names: the search log, the
// bootstrap files (and the record of failed bootstrap runs), the temporary fleet files.
const std::vector<std::string>& fixed_output_names();

// The results file is written under this name in the same folder and renamed over the empty
// results file once it is complete.
std::string staged_results_path(const std::string& results_path);

// Checks, after the fields are read and before START empties the results file, that every
// output of the run (results file, its staging name, the tables folder, the fixed files above)
// lies inside the working directory and that none of them is one of the run's inputs (C, W, M,
// maturity, the SSB surveys and aged fleets in use). Raises SettingsError naming the field.
void check_run_files(const RunState& s);

}  // namespace quorvane
