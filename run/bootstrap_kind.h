// The kind of bootstrap by name, as fields files and the batch runner's --bootstrap-kind give it:
// "chained", the classic bootstrap and the default, or "independent" replicates. A fields file
// carries it beside the fields as "bootstrap_kind = independent".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "state/run_state.h"

namespace quorvane {

inline constexpr std::string_view kBootstrapKindKey = "bootstrap_kind";

std::string_view bootstrap_kind_name(BootstrapKind kind);
// The kind of that name; empty for any other text.
std::optional<BootstrapKind> bootstrap_kind_named(std::string_view name);

// The kind as a fields file's lines: a comment that says what it is, then "bootstrap_kind = ...".
std::string bootstrap_kind_lines(BootstrapKind kind);

// The kind that a fields file's "bootstrap_kind = `value`" gives; SettingsError starting with
// `where` ("settings.txt: line 118") when the value names no kind.
BootstrapKind bootstrap_kind_of(std::string_view value, const std::string& where);

}  // namespace quorvane
