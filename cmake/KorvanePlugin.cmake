# korvane_add_plugin(<name> DELIVERABLE <symbol> OBJECTS <object library>)
#
# A VST 2 plug-in library named exactly <name> (no "lib" prefix) that exports
# VSTPluginMain and main and nothing else. --no-undefined turns a missing
# symbol into a build failure instead of a failed plug-in scan in a host.
function(korvane_add_plugin name)
  cmake_parse_arguments(ARG "" "DELIVERABLE;OBJECTS" "" ${ARGN})
  add_library(${name} MODULE shell/entry.cpp $<TARGET_OBJECTS:${ARG_OBJECTS}>)
  target_compile_definitions(${name} PRIVATE KORVANE_DELIVERABLE=${ARG_DELIVERABLE})
  target_link_libraries(${name} PRIVATE korvane_shell)
  set_target_properties(${name} PROPERTIES PREFIX "")
  if(NOT WIN32)
    set(map "${PROJECT_SOURCE_DIR}/cmake/plugin_exports.map")
    target_link_options(${name} PRIVATE -Wl,--no-undefined -Wl,--version-script=${map})
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS "${map}")
  endif()
  install(TARGETS ${name} LIBRARY DESTINATION . COMPONENT plugins)
endfunction()
