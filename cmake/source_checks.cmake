# Checks of the source tree itself, run with the tests (and so in CI): they need no build.
find_program(QUORVANE_BASH bash REQUIRED)
add_test(NAME SourceTree.IncludesPointDownward
         COMMAND ${QUORVANE_BASH} ${PROJECT_SOURCE_DIR}/scripts/check_layers.sh ${PROJECT_SOURCE_DIR})
add_test(NAME SourceTree.FieldNumbersOnlyInTheRegistry
         COMMAND ${QUORVANE_BASH} ${PROJECT_SOURCE_DIR}/scripts/check_field_numbers.sh
                 ${PROJECT_SOURCE_DIR})
