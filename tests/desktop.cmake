# The game as a desktop program, without a display: its command line (run as
# the real program), where it finds its pictures, the window's keys and the
# full-screen canvas. Closing and full screen in a real window are window tests.
add_executable(desktop_test command_line_test.cpp picture_folder_test.cpp window_keys_test.cpp
  settings_test.cpp)
target_link_libraries(desktop_test PRIVATE velmora_desktop velmora_command_line velmora_test_support
  GTest::gtest_main)
target_compile_definitions(desktop_test PRIVATE VELMORA_GAME="$<TARGET_FILE:velmora>"
  VELMORA_VERSION="${PROJECT_VERSION}")
add_dependencies(desktop_test velmora)
add_test(NAME desktop_test COMMAND desktop_test)

# tools/long_window_run.sh, ended early: it says why and leaves nothing running.
add_test(NAME long_window_run_test COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/long_window_run_test.sh ${PROJECT_SOURCE_DIR})
set_tests_properties(long_window_run_test PROPERTIES TIMEOUT 120)

# tools/bench.sh's tables written into docs/benchmarks.md: the hand-taken
# sections stay.
add_test(NAME bench_table_test COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/bench_table_test.sh ${PROJECT_SOURCE_DIR})
