# Tests of the real game in a real window: a private Xvfb server, xdotool for
# the player's hands, xwininfo and the X server's own pixels for the player's eyes.
add_executable(window_test window_test.cpp desktop_window_test.cpp)
target_link_libraries(window_test PRIVATE velmora_core velmora_x_session GTest::gtest_main)
target_compile_definitions(window_test PRIVATE VELMORA_GAME="$<TARGET_FILE:velmora>")
add_dependencies(window_test velmora)
add_test(NAME window_test COMMAND window_test WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
set_tests_properties(window_test PROPERTIES TIMEOUT 300)

# Full screen on screens of four shapes: the mouth centred with no black band.
add_executable(fullscreen_test fullscreen_test.cpp)
target_link_libraries(fullscreen_test PRIVATE velmora_x_session GTest::gtest_main)
target_include_directories(fullscreen_test PRIVATE ${PROJECT_SOURCE_DIR})
add_dependencies(fullscreen_test velmora)
add_test(NAME fullscreen_test COMMAND fullscreen_test WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
set_tests_properties(fullscreen_test PROPERTIES TIMEOUT 180)

# Keys held down with the X server repeating them act once.
add_executable(window_key_repeat_test window_key_repeat_test.cpp)
target_link_libraries(window_key_repeat_test PRIVATE velmora_x_session GTest::gtest_main)
target_include_directories(window_key_repeat_test PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(window_key_repeat_test PRIVATE $<$<BOOL:${VELMORA_SANITIZE}>:VELMORA_SANITIZED>)
add_dependencies(window_key_repeat_test velmora)
add_test(NAME window_key_repeat_test COMMAND window_key_repeat_test WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
set_tests_properties(window_key_repeat_test PROPERTIES TIMEOUT 120)

# A real game recorded and played back through velmora-replay.
if(TARGET velmora-replay)
  add_executable(recording_test recording_test.cpp)
  target_include_directories(recording_test PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(recording_test PRIVATE velmora_x_session GTest::gtest_main)
  target_compile_definitions(recording_test PRIVATE VELMORA_GAME="$<TARGET_FILE:velmora>"
    VELMORA_REPLAY="$<TARGET_FILE:velmora-replay>" $<$<BOOL:${VELMORA_SANITIZE}>:VELMORA_SANITIZED>)
  add_dependencies(recording_test velmora velmora-replay)
  add_test(NAME recording_test COMMAND recording_test WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(recording_test PROPERTIES TIMEOUT 300)
endif()

# The window shows frames drawn in parts as velmora-replay draws them whole.
if(TARGET velmora-replay)
  add_executable(window_damage_test window_damage_test.cpp)
  target_include_directories(window_damage_test PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(window_damage_test PRIVATE velmora_x_session velmora_replay_testing GTest::gtest_main)
  target_compile_definitions(window_damage_test PRIVATE VELMORA_REPLAY="$<TARGET_FILE:velmora-replay>")
  add_dependencies(window_damage_test velmora velmora-replay)
  add_test(NAME window_damage_test COMMAND window_damage_test WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(window_damage_test PROPERTIES TIMEOUT 120)
endif()

# The game's frame rate and processor use at the start state, with and without its cap.
add_executable(frame_rate_test frame_rate_test.cpp)
target_include_directories(frame_rate_test PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(frame_rate_test PRIVATE velmora_x_session GTest::gtest_main)
target_compile_definitions(frame_rate_test PRIVATE VELMORA_GAME="$<TARGET_FILE:velmora>")
add_dependencies(frame_rate_test velmora)
add_test(NAME frame_rate_test COMMAND frame_rate_test WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
set_tests_properties(frame_rate_test PROPERTIES TIMEOUT 120)

# Recordings watched in the window (velmora --play), traced against velmora-replay.
if(TARGET velmora-replay)
  add_executable(watch_recording_test watch_recording_test.cpp)
  target_include_directories(watch_recording_test PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(watch_recording_test PRIVATE velmora_x_session velmora_replay_testing GTest::gtest_main)
  target_compile_definitions(watch_recording_test PRIVATE VELMORA_GAME="$<TARGET_FILE:velmora>"
    VELMORA_REPLAY="$<TARGET_FILE:velmora-replay>" $<$<BOOL:${VELMORA_SANITIZE}>:VELMORA_SANITIZED>)
  add_dependencies(watch_recording_test velmora velmora-replay)
  add_test(NAME watch_recording_test COMMAND watch_recording_test WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(watch_recording_test PROPERTIES TIMEOUT 600)
endif()

# The one loop in the real program: pause, new game, the window's keys, the
# settings kept, a hidden watch, loops falling silent, cues at any speed.
if(TARGET velmora-replay)
  # Counts the sounds OpenAL is asked to start, preloaded into the game; never
  # built with the sanitizers, whose interceptors must come first.
  add_library(al_play_counter MODULE al_play_counter.cpp)
  target_link_libraries(al_play_counter PRIVATE ${CMAKE_DL_LIBS})
  target_compile_options(al_play_counter PRIVATE -fno-sanitize=all)
  target_link_options(al_play_counter PRIVATE -fno-sanitize=all)
  add_executable(session_window_test session_window_test.cpp)
  target_include_directories(session_window_test PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(session_window_test PRIVATE velmora_audio velmora_x_session velmora_replay_testing velmora_listening
    GTest::gtest_main)
  target_compile_definitions(session_window_test PRIVATE VELMORA_GAME="$<TARGET_FILE:velmora>"
    VELMORA_REPLAY="$<TARGET_FILE:velmora-replay>" VELMORA_SOURCE="${PROJECT_SOURCE_DIR}"
    VELMORA_AL_PLAY_COUNTER="$<TARGET_FILE:al_play_counter>" $<$<BOOL:${VELMORA_SANITIZE}>:VELMORA_SANITIZED>)
  add_dependencies(session_window_test velmora velmora-replay al_play_counter)
  # The sound counter's case on its own: it needs a build without the sanitizers.
  set(counted SessionWindow.WatchedSixteenTimesAsFastEveryEventSoundStartsAsAt1x)
  add_test(NAME session_window_test COMMAND session_window_test --gtest_filter=-${counted}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  add_test(NAME session_window_sound_count_test COMMAND session_window_test --gtest_filter=${counted}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(session_window_test session_window_sound_count_test PROPERTIES TIMEOUT 600)
endif()

# The desktop program under trouble: pipes, full files, size limits, cut
# recordings, a refused framebuffer, a window started iconified.
if(TARGET velmora-replay)
  add_library(gl_framebuffer_refusal MODULE gl_framebuffer_refusal.cpp)
  target_compile_options(gl_framebuffer_refusal PRIVATE -fno-sanitize=all)
  target_link_options(gl_framebuffer_refusal PRIVATE -fno-sanitize=all)
  add_executable(desktop_trouble_test desktop_trouble_test.cpp)
  target_include_directories(desktop_trouble_test PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(desktop_trouble_test PRIVATE velmora_x_session GTest::gtest_main)
  target_compile_definitions(desktop_trouble_test PRIVATE VELMORA_GAME="$<TARGET_FILE:velmora>"
    VELMORA_SOURCE="${PROJECT_SOURCE_DIR}" VELMORA_FRAMEBUFFER_REFUSAL="$<TARGET_FILE:gl_framebuffer_refusal>"
    $<$<BOOL:${VELMORA_SANITIZE}>:VELMORA_SANITIZED>)
  add_dependencies(desktop_trouble_test velmora gl_framebuffer_refusal)
  add_test(NAME desktop_trouble_test COMMAND desktop_trouble_test WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(desktop_trouble_test PROPERTIES TIMEOUT 300)
endif()
