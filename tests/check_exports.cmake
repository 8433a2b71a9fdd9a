# Usage: cmake -DNM=<nm> -DPLUGIN=<library> -P check_exports.cmake
# A plug-in must export its entry point under both names and nothing else:
# stray symbols can clash with a host's or another plug-in's.
execute_process(COMMAND "${NM}" -D --defined-only "${PLUGIN}"
                OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${PLUGIN}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${out}")
set(names "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] " "" name "${line}")
  list(APPEND names "${name}")
endforeach()
list(SORT names)
if(NOT names STREQUAL "VSTPluginMain;main")
  message(FATAL_ERROR "${PLUGIN} exports [${names}], expected exactly VSTPluginMain and main")
endif()
message(STATUS "${PLUGIN}: exports ${names}")
