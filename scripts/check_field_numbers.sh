#!/usr/bin/env bash
# Field numbers live in the field registry (run/field_registry.*) and nowhere else: the rest of
# the code names a field by its FieldId or its lower_snake name. This fails on a field number in
# the code outside the registry: a "Text<n>" string, or a whole number cast to a FieldId.
# Comments may mention "Text<n>" (the run state says which field fills each setting), and the
# tests may use "Text<n>" lines: reading that form of a fields file is what they test.
set -euo pipefail

root="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
cd "$root"

hits=$(grep -rnE --include='*.cpp' --include='*.h' \
         -e '"Text[0-9]' -e 'static_cast<FieldId>\(\s*[0-9]' -e 'FieldId\{\s*[0-9]' \
         base state data model objective report run app cli import tools plot bench 2>/dev/null |
       grep -vE '^run/field_registry\.(h|cpp):' |
       grep -vE '^[^:]+/tests/' |
       grep -vE '^[^:]+:[0-9]+:\s*//' |
       sed -E 's#//.*$##' | grep -E '"Text[0-9]|FieldId(>\(|\{)\s*[0-9]' || true)
if [ -n "$hits" ]; then
  echo "Field numbers outside the field registry (name the field by its FieldId instead):"
  echo "$hits"
  exit 1
fi
