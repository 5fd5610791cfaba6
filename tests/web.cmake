# The game in a web browser: the emscripten build played in headless Chromium
# with real mouse and touch events, on a desktop window and an emulated phone,
# its canvas compared with the desktop game's picture.
add_test(NAME web_browser_test
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/web_browser_test.sh ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR}/web
          $<TARGET_FILE:velmora-replay>)
# Alone: its frame timing and the stir it measures need the processor.
set_tests_properties(web_browser_test PROPERTIES RUN_SERIAL TRUE TIMEOUT 600)

# The same game to the bit: desktop recordings watched in the browser, and a
# game played in the browser replayed by velmora-replay, traces compared byte
# for byte, bacteria included.
add_test(NAME web_same_game_test
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/web_same_game_test.sh ${PROJECT_SOURCE_DIR}
          ${CMAKE_CURRENT_BINARY_DIR}/web-same-game $<TARGET_FILE:velmora-replay>)
# Alone: the browser's game runs on real time while the test plays it.
set_tests_properties(web_same_game_test PROPERTIES RUN_SERIAL TRUE TIMEOUT 1500)
