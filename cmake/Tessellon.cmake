# tessellon_library(<name> [DEPS <targets>...])
# One static library from every source file of the calling folder. Public headers sit in
# the folder and are included as "<folder>/<header>.h"; headers that only the library and
# its own tests use sit in <folder>/internal/ and are included by their bare name.
function(tessellon_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c
       ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc
       ${CMAKE_CURRENT_SOURCE_DIR}/internal/*.h)
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/internal)
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/internal)
  endif()
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/internal/*.h)
  tessellon_header_check(${name} ${headers})
endfunction()

# Every header compiles on its own: the target `header_check` builds one translation unit
# per header, which includes it twice (so the include guard is checked too).
if(NOT TARGET header_check)
  add_custom_target(header_check)
endif()

# tessellon_header_check(<library> <headers>...)
# Adds headers of a library to `header_check`, compiled with the library's usage
# requirements; private headers (in internal/) with its private include folder as well.
function(tessellon_header_check library)
  set(units)
  foreach(header IN LISTS ARGN)
    file(RELATIVE_PATH id ${PROJECT_SOURCE_DIR} ${header})
    string(MAKE_C_IDENTIFIER ${id} id)
    get_filename_component(dir ${header} DIRECTORY)
    get_filename_component(dirName ${dir} NAME)
    if(dirName STREQUAL "internal")
      get_filename_component(rel ${header} NAME)
    else()
      file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${header})
    endif()
    set(unit ${CMAKE_CURRENT_BINARY_DIR}/header-check/${id}.cpp)
    file(CONFIGURE OUTPUT ${unit} CONTENT "#include \"${rel}\"\n#include \"${rel}\"\n")
    list(APPEND units ${unit})
  endforeach()
  if(NOT units)
    return()
  endif()
  add_library(${library}_header_check OBJECT EXCLUDE_FROM_ALL ${units})
  set_target_properties(${library}_header_check PROPERTIES AUTOMOC OFF AUTORCC OFF AUTOUIC OFF)
  target_link_libraries(${library}_header_check PRIVATE ${library})
  if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/internal)
    target_include_directories(${library}_header_check PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/internal)
  endif()
  add_dependencies(header_check ${library}_header_check)
endfunction()

# tessellon_tests(<name> [DEPS <targets>...] [TIMEOUT <seconds>])
# One GoogleTest program from <folder>/tests/*.cpp. CTest runs each of its tests in a
# process of its own; the tests are listed when the program is built (the test main needs
# no display for that). TIMEOUT bounds each test.
include(GoogleTest)
function(tessellon_tests name)
  if(NOT TESSELLON_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "TIMEOUT" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.qrc)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} testsupport GTest::gtest GTest::gmock)
  # A library's own tests see its private headers.
  if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/internal)
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/internal)
  endif()
  target_compile_definitions(${name} PRIVATE
      TESSELLON_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
      TESSELLON_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/tests/data")
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  gtest_discover_tests(${name}
      DISCOVERY_MODE POST_BUILD
      DISCOVERY_TIMEOUT 120
      PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
