# Compiles the help pages into the help file; run with cmake -P.
#   -DCHMCMD=<chmcmd> -DSOURCE_DIR=<help pages> -DSTAGE_DIR=<work folder>
#   -DPROJECT_FILE=<name of the .hhp> -DOUTPUT=<help file to write>
# Fails on any error or warning of the compiler, and when the result is not a help file.
cmake_minimum_required(VERSION 3.25)
foreach(var CHMCMD SOURCE_DIR STAGE_DIR PROJECT_FILE OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "BuildHelp.cmake: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${STAGE_DIR}")
file(MAKE_DIRECTORY "${STAGE_DIR}")
file(GLOB pages "${SOURCE_DIR}/*")
file(COPY ${pages} DESTINATION "${STAGE_DIR}")

# The compiled file's name comes from the project file.
file(STRINGS "${STAGE_DIR}/${PROJECT_FILE}" compiled REGEX "^Compiled file=")
string(REGEX REPLACE "^Compiled file=" "" compiled "${compiled}")
string(STRIP "${compiled}" compiled)
if(compiled STREQUAL "")
  message(FATAL_ERROR "${PROJECT_FILE} names no compiled file")
endif()

execute_process(
  COMMAND "${CHMCMD}" "${PROJECT_FILE}"
  WORKING_DIRECTORY "${STAGE_DIR}"
  RESULT_VARIABLE rc
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)
set(log "${out}${err}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "chmcmd failed (exit ${rc}):\n${log}")
endif()
# chmcmd reports missing pages and broken links as warnings and still exits with 0.
if(log MATCHES "(Warning|Error|exception|Can't find)")
  message(FATAL_ERROR "chmcmd reported problems:\n${log}")
endif()

set(chm "${STAGE_DIR}/${compiled}")
if(NOT EXISTS "${chm}")
  message(FATAL_ERROR "chmcmd wrote no ${compiled}:\n${log}")
endif()
file(SIZE "${chm}" size)
file(READ "${chm}" signature LIMIT 4 HEX)
if(size LESS 4096 OR NOT signature STREQUAL "49545346")  # "ITSF"
  message(FATAL_ERROR "${chm} is not a help file (${size} bytes)")
endif()

# Replace the old help file only once the new one is complete.
file(COPY_FILE "${chm}" "${OUTPUT}.tmp")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
