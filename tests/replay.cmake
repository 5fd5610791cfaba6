# The replay: its script reader on its own, and the whole program run as a
# subprocess against values worked out from the game's rules, with real Mesa.
add_executable(replay_script_test replay_script_parsing_test.cpp ${PROJECT_SOURCE_DIR}/recording/replay_script.cpp)
target_include_directories(replay_script_test PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(replay_script_test PRIVATE GTest::gtest_main)
add_test(NAME replay_script_test COMMAND replay_script_test)
add_executable(script_stream_test script_stream_test.cpp ${PROJECT_SOURCE_DIR}/recording/replay_script.cpp
  ${PROJECT_SOURCE_DIR}/recording/script_stream.cpp)
target_include_directories(script_stream_test PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(script_stream_test PRIVATE GTest::gtest_main)
add_test(NAME script_stream_test COMMAND script_stream_test)

# The recording and trace files the game writes as it plays, under trouble.
add_executable(replay_line_file_test replay_line_file_test.cpp ${PROJECT_SOURCE_DIR}/recording/line_file.cpp
  ${PROJECT_SOURCE_DIR}/core/steady_clock.cpp
  ${PROJECT_SOURCE_DIR}/gfx/diagnostic.cpp)
target_include_directories(replay_line_file_test PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(replay_line_file_test PRIVATE GTest::gtest_main)
add_test(NAME replay_line_file_test COMMAND replay_line_file_test)

if(TARGET velmora-replay)
  add_executable(peak_memory peak_memory.cpp)
  add_executable(replay_run_test replay_trace_test.cpp replay_timeline_test.cpp
    replay_long_game_test.cpp replay_screenshot_test.cpp replay_command_line_test.cpp replay_no_draw_test.cpp
    replay_memory_test.cpp)
  target_include_directories(replay_run_test PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(replay_run_test PRIVATE VELMORA_REPLAY="$<TARGET_FILE:velmora-replay>"
    VELMORA_SOURCE="${PROJECT_SOURCE_DIR}" PEAK_MEMORY="$<TARGET_FILE:peak_memory>")
  target_link_libraries(replay_run_test PRIVATE velmora_replay_testing GTest::gtest_main)
  add_dependencies(replay_run_test velmora-replay peak_memory)
  add_test(NAME replay_run_test COMMAND replay_run_test)
endif()

if(TARGET velmora-replay)
  add_test(NAME pinned_trace_test
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/pinned_trace_test.sh $<TARGET_FILE:velmora-replay>
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
endif()

# Trimmed and whole quads drawn from the same long game, shot for shot.
if(TARGET velmora-replay)
  add_executable(replay_trimming_test replay_trimming_test.cpp)
  target_include_directories(replay_trimming_test PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(replay_trimming_test PRIVATE VELMORA_REPLAY="$<TARGET_FILE:velmora-replay>")
  target_link_libraries(replay_trimming_test PRIVATE velmora_replay_testing GTest::gtest_main)
  add_dependencies(replay_trimming_test velmora-replay)
  add_test(NAME replay_trimming_test COMMAND replay_trimming_test WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(replay_trimming_test PROPERTIES TIMEOUT 900)
endif()

# Frames drawn in parts against whole frames, shot for shot.
if(TARGET velmora-replay)
  add_executable(replay_damage_test replay_damage_test.cpp)
  target_include_directories(replay_damage_test PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(replay_damage_test PRIVATE VELMORA_REPLAY="$<TARGET_FILE:velmora-replay>")
  target_link_libraries(replay_damage_test PRIVATE velmora_replay_testing GTest::gtest_main)
  add_dependencies(replay_damage_test velmora-replay)
  add_test(NAME replay_damage_test COMMAND replay_damage_test --gtest_filter=*Pinned*
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  # Ten minutes of game drawn every frame twice: the plain build's.
  add_test(NAME replay_damage_soak_test COMMAND replay_damage_test --gtest_filter=*Soak*
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(replay_damage_test replay_damage_soak_test PROPERTIES TIMEOUT 300)
endif()

# Watching a recording without a window: its pace.
velmora_unit_test(script_pace_test script_pace_test.cpp)

# The README's pictures, taken again by tools/take_screenshots.sh, which checks
# each caption against the trace, and compared with those in docs/.
if(TARGET velmora-replay)
  add_executable(readme_pictures_test readme_pictures_test.cpp)
  target_include_directories(readme_pictures_test PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(readme_pictures_test PRIVATE VELMORA_REPLAY="$<TARGET_FILE:velmora-replay>"
    VELMORA_SOURCE="${PROJECT_SOURCE_DIR}")
  target_link_libraries(readme_pictures_test PRIVATE velmora_replay_testing GTest::gtest_main)
  add_dependencies(readme_pictures_test velmora-replay)
  add_test(NAME readme_pictures_test COMMAND readme_pictures_test)
endif()
