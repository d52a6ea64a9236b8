# zeva_add_test(<folder> [GUI] SOURCES ... LIBS ...)
# One GoogleTest binary per source folder; its CTest label is the folder name. GUI tests
# get a main() that makes one QApplication (offscreen) for the run.
function(zeva_add_test folder)
  cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS" ${ARGN})
  set(target test_${folder})
  add_executable(${target} ${ARG_SOURCES})
  if(ARG_GUI)
    target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/guitestmain.cpp)
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} Qt6::Widgets GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  endif()
  include(GoogleTest)
  gtest_discover_tests(${target}
    PROPERTIES LABELS ${folder}
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZEVA_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data"
    DISCOVERY_TIMEOUT 60)
endfunction()
