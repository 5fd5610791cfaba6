# The game's sounds: the files themselves, the cues read from the game, the
# mix rendered on OpenAL Soft's loopback device, and the real game heard
# through OpenAL Soft's file output under Xvfb, only to show it keeps step.
velmora_unit_test(sound_test ${CMAKE_CURRENT_LIST_DIR}/sound_files_test.cpp ${CMAKE_CURRENT_LIST_DIR}/sound_cues_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sound_file_opening_test.cpp)
target_link_libraries(sound_test PRIVATE velmora_audio)
if(TARGET make-sounds)
  add_dependencies(sound_test make-sounds)
  target_compile_definitions(sound_test PRIVATE MAKE_SOUNDS="$<TARGET_FILE:make-sounds>")
endif()

# The event voices, through OpenAL Soft's file output.
velmora_unit_test(sound_voices_test ${CMAKE_CURRENT_LIST_DIR}/sound_voices_test.cpp)
target_link_libraries(sound_voices_test PRIVATE velmora_audio)

add_executable(sound_window_test ${CMAKE_CURRENT_LIST_DIR}/sound_window_test.cpp)
target_link_libraries(sound_window_test PRIVATE velmora_x_session velmora_listening GTest::gtest_main)
target_compile_definitions(sound_window_test PRIVATE VELMORA_GAME="$<TARGET_FILE:velmora>"
  $<$<BOOL:${VELMORA_SANITIZE}>:VELMORA_SANITIZED>)
add_dependencies(sound_window_test velmora)
add_test(NAME sound_window_test COMMAND sound_window_test WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
set_tests_properties(sound_window_test PROPERTIES TIMEOUT 180)

# The player's mix alone, sound by sound, rendered on OpenAL Soft's loopback
# device on the test's clock: a minute of sound in a few seconds.
add_executable(sound_mix_test ${CMAKE_CURRENT_LIST_DIR}/sound_mix_test.cpp)
target_link_libraries(sound_mix_test PRIVATE velmora_audio velmora_listening GTest::gtest_main)
add_test(NAME sound_mix_test COMMAND sound_mix_test WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
set_tests_properties(sound_mix_test PROPERTIES TIMEOUT 120)

# Three minutes of the real game from a recording, its soundtrack rendered by
# velmora-replay --sound in a few seconds.
if(TARGET velmora-replay)
  add_executable(sound_game_test ${CMAKE_CURRENT_LIST_DIR}/sound_game_test.cpp)
  target_link_libraries(sound_game_test PRIVATE velmora_listening GTest::gtest_main)
  target_compile_definitions(sound_game_test PRIVATE VELMORA_REPLAY="$<TARGET_FILE:velmora-replay>")
  add_dependencies(sound_game_test velmora-replay)
  add_test(NAME sound_game_test COMMAND sound_game_test WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(sound_game_test PROPERTIES TIMEOUT 300)
endif()

# The same mix in the browser: the desktop's levels measured by sound_mix_test,
# then the browser build's in headless Chromium. The browser build is the same
# whichever way the desktop's is made: the plain build runs it.
if(NOT VELMORA_SANITIZE AND TEST web_site)
  add_test(NAME sound_browser_test
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/sound_browser_test.sh ${PROJECT_SOURCE_DIR}
            ${VELMORA_WEB_OUT} $<TARGET_FILE:sound_mix_test>)
  set_tests_properties(sound_browser_test PROPERTIES FIXTURES_REQUIRED web_site RESOURCE_LOCK second_browser TIMEOUT 900)
endif()

# A recording's soundtrack rendered by velmora-replay --sound on OpenAL Soft's
# loopback device: no device, no display, faster than it plays.
if(TARGET velmora-replay)
  add_executable(sound_render_test ${CMAKE_CURRENT_LIST_DIR}/sound_render_test.cpp)
  target_link_libraries(sound_render_test PRIVATE velmora_replay_testing velmora_listening GTest::gtest_main)
  add_dependencies(sound_render_test velmora-replay)
  add_test(NAME sound_render_test COMMAND sound_render_test)
endif()

# The player alone on the loopback device: M's fades, the loops silenced with
# no further call, the same samples every time. Well under a second.
velmora_unit_test(sound_switch_test ${CMAKE_CURRENT_LIST_DIR}/sound_switch_test.cpp)
target_link_libraries(sound_switch_test PRIVATE velmora_audio)
