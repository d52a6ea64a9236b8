# zeva_add_test(<folder> SOURCES ... LIBS ...)
# One GoogleTest binary per source folder; its CTest label is the folder name.
function(zeva_add_test folder)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  set(target test_${folder})
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  include(GoogleTest)
  gtest_discover_tests(${target}
    PROPERTIES LABELS ${folder}
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZEVA_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data"
    DISCOVERY_TIMEOUT 60)
endfunction()
