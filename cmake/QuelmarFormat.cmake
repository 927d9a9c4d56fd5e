# The targets format (clang-format -i on every C++ file of the repository) and format-check
# (fails when one is not formatted), both with the repository's .clang-format. CI checks with
# Debian 12's clang-format 14; other versions may format a few constructs differently.
find_program(QUELMAR_CLANG_FORMAT NAMES clang-format-14 clang-format)
if(QUELMAR_CLANG_FORMAT)
  add_custom_target(format
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/format.sh ${QUELMAR_CLANG_FORMAT}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    COMMENT "Formatting every C++ file with ${QUELMAR_CLANG_FORMAT}"
    VERBATIM)
  add_custom_target(format-check
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/format.sh --check ${QUELMAR_CLANG_FORMAT}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    COMMENT "Checking the format of every C++ file"
    VERBATIM)
endif()
