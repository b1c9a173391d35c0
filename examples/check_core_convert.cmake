# Runs core_convert on data/core-walk.gpx and compares what it wrote: the
# GeoJSON as it is, each database but for its two dates (bytes 36 to 43,
# the moment it was written), and the lines it printed.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
# EMULATOR: what runs a cross-built program (Wine), when there is one.
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${DATA}/core-walk.gpx ${WORK}/walk.geojson ${WORK}/walk.pdb
                WORKING_DIRECTORY ${WORK} RESULT_VARIABLE status OUTPUT_VARIABLE printed ERROR_VARIABLE said)
# A Windows program's standard output ends its lines with CR LF.
string(REPLACE "\r\n" "\n" printed "${printed}")
if(NOT status EQUAL 0 OR NOT said STREQUAL "")
  message(FATAL_ERROR "core_convert failed (${status}): ${said}")
endif()
set(expected_lines "${WORK}/walk.pdb: waypoints, 1 point(s)\n${WORK}/walk-2.pdb: Morning walk, 3 point(s)\n")
if(NOT printed STREQUAL expected_lines)
  message(FATAL_ERROR "core_convert printed:\n${printed}\nnot:\n${expected_lines}")
endif()
file(READ ${WORK}/walk.geojson written)
file(READ ${DATA}/core-walk.geojson expected)
if(NOT written STREQUAL expected)
  message(FATAL_ERROR "walk.geojson differs from data/core-walk.geojson")
endif()
foreach(database walk walk-2)
  file(READ ${WORK}/${database}.pdb bytes HEX)
  string(SUBSTRING "${bytes}" 0 72 head)
  string(SUBSTRING "${bytes}" 88 -1 rest)
  file(READ ${DATA}/core-${database}.pdb.hex expected)
  string(STRIP "${expected}" expected)
  if(NOT "${head}0000000000000000${rest}" STREQUAL expected)
    message(FATAL_ERROR "${database}.pdb differs from data/core-${database}.pdb.hex")
  endif()
endforeach()
