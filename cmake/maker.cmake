# MASKFOLD_MAKER: the maker's name as the program has it (ids::kMakerName in
# src/common/identifiers.h), for the version resource and the packages.
set(maker_source ${CMAKE_CURRENT_LIST_DIR}/../src/common/identifiers.h)
file(STRINGS ${maker_source} maker_line REGEX "kMakerName = \"[^\"]+\"")
if(NOT maker_line MATCHES "kMakerName = \"([^\"]+)\"")
  message(FATAL_ERROR "no kMakerName in ${maker_source}")
endif()
set(MASKFOLD_MAKER "${CMAKE_MATCH_1}")
if(NOT CMAKE_SCRIPT_MODE_FILE)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${maker_source})
endif()
