# Reruns the generator and compares its output with the committed tables.
#   cmake -DGENERATOR=... -DCOMMITTED=... -DOUTPUT=... -P check_regenerated.cmake
execute_process(COMMAND "${GENERATOR}" --tables "${OUTPUT}" RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cabinet_ir_gen failed (${rc})")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUTPUT}" "${COMMITTED}" RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "${COMMITTED} is not what the generator writes; "
                      "regenerate it with: cabinet_ir_gen --tables engine/cabinet_tables.cpp")
endif()
