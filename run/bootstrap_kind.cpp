#include "run/bootstrap_kind.h"

#include "base/errors.h"
#include "state/message_text.h"

namespace quorvane {

std::string_view bootstrap_kind_name(BootstrapKind kind) {
  return kind == BootstrapKind::Independent ? "independent" : "chained";
}

std::optional<BootstrapKind> bootstrap_kind_named(std::string_view name) {
  if (name == "chained") return BootstrapKind::Chained;
  if (name == "independent") return BootstrapKind::Independent;
  return std::nullopt;
}

std::string bootstrap_kind_lines(BootstrapKind kind) {
  return "# Kind of bootstrap: chained (each run perturbs the data of the run before) or "
         "independent\n" +
         std::string(kBootstrapKindKey) + " = " + std::string(bootstrap_kind_name(kind)) + "\n";
}

BootstrapKind bootstrap_kind_of(std::string_view value, const std::string& where) {
  const std::optional<BootstrapKind> kind = bootstrap_kind_named(value);
  if (!kind) {
    throw SettingsError(where + ": " + std::string(kBootstrapKindKey) + " '" + token_text(value) +
                        "' is neither chained nor independent");
  }
  return *kind;
}

}  // namespace quorvane
