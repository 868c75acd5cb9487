# pugixml for the Windows build, compiled from Debian's own source package
# of the version the Linux build links (scripts/debian-source.sh fetches
# and unpacks it once, then reuses it), so both read XML alike.
execute_process(
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/debian-source.sh pugixml libpugixml-dev
  OUTPUT_VARIABLE STANZO_PUGIXML_SOURCE
  OUTPUT_STRIP_TRAILING_WHITESPACE
  RESULT_VARIABLE stanzo_pugixml_status)
if(NOT stanzo_pugixml_status EQUAL 0 OR NOT EXISTS ${STANZO_PUGIXML_SOURCE}/src/pugixml.cpp)
  message(FATAL_ERROR "pugixml: Debian's source could not be fetched (scripts/debian-source.sh)")
endif()
add_library(pugixml STATIC ${STANZO_PUGIXML_SOURCE}/src/pugixml.cpp)
target_include_directories(pugixml SYSTEM PUBLIC ${STANZO_PUGIXML_SOURCE}/src)
# Their code, not ours: built without the project's warning flags.
set_target_properties(pugixml PROPERTIES COMPILE_OPTIONS "")
add_library(pugixml::pugixml ALIAS pugixml)
