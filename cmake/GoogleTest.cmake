# GoogleTest cross-built from Debian's source package.
set(VELMORA_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${VELMORA_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# velmora_add_test(NAME sources... LAYER library [TIMEOUT seconds]) — one test program
# per subsystem, linked with the layer it tests (and, through it, the layers below),
# registered as one ctest test that runs under the Wine emulator.
function(velmora_add_test name)
  cmake_parse_arguments(T "GUI" "TIMEOUT;LAYER" "" ${ARGN})
  if(NOT T_LAYER)
    message(FATAL_ERROR "velmora_add_test(${name}): name the LAYER library it tests")
  endif()
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LAYER} velmora_ui_resources velmora_test_support GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
endfunction()
