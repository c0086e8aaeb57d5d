# tessellon_library(<name> [DEPS <targets>...])
# One static library from every source file of the calling folder.
function(tessellon_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c
       ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# tessellon_tests(<name> [DEPS <targets>...] [TIMEOUT <seconds>])
# One GoogleTest program from <folder>/tests/*.cpp, registered with CTest as one test.
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
  target_compile_definitions(${name} PRIVATE
      TESSELLON_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
      TESSELLON_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/tests/data")
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
