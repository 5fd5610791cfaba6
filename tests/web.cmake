# The game in a web browser: the emscripten build played in headless Chromium
# with real mouse and touch events, on a desktop window and an emulated phone,
# its canvas compared with the desktop game's picture.
add_test(NAME web_browser_test
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/web_browser_test.sh ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR}/web
          $<TARGET_FILE:velmora-replay>)
# Alone: its frame timing and the stir it measures need the processor.
set_tests_properties(web_browser_test PROPERTIES RUN_SERIAL TRUE TIMEOUT 600)
