# The game in a web browser. web_site builds it once with emscripten, with the
# desktop game's picture of the start and the tests' driver; the tests after
# it play it in headless Chromium with real mouse and touch events.
set(VELMORA_WEB_OUT ${CMAKE_CURRENT_BINARY_DIR}/web)
add_test(NAME web_site
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/web_site.sh ${PROJECT_SOURCE_DIR} ${VELMORA_WEB_OUT}
          $<TARGET_FILE:velmora-replay>)
set_tests_properties(web_site PROPERTIES FIXTURES_SETUP web_site TIMEOUT 1800)

# A desktop window and an emulated phone, the canvas compared with the desktop
# game's picture; loading, a slow connection, buttons, full screen, offline.
add_test(NAME web_browser_test
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/web_browser_test.sh ${PROJECT_SOURCE_DIR} ${VELMORA_WEB_OUT})
# Two browsers at a time, each test in one of two lanes of about three minutes
# (browser and second_browser): each is a Chromium of several processes, and
# beside them the native tests, which are steady under load, run at once.
set_tests_properties(web_browser_test PROPERTIES FIXTURES_REQUIRED web_site RESOURCE_LOCK browser TIMEOUT 600)

# A first visit served by python3 -m http.server: at most 500,000 bytes before
# the first frame, and every picture the game reads (drawn in the page, packed,
# or come after the first frame) img/'s own, pixel for pixel.
add_test(NAME web_pictures_test
  COMMAND node ${VELMORA_WEB_OUT}/driver/pictures_check.js --site ${VELMORA_WEB_OUT}/site --img ${PROJECT_SOURCE_DIR}/img)
set_tests_properties(web_pictures_test PROPERTIES FIXTURES_REQUIRED web_site RESOURCE_LOCK second_browser TIMEOUT 300)

# Sound under Chromium's ordinary autoplay rule, with the mouse and a finger;
# the sound setting kept between visits.
add_test(NAME web_sound_test COMMAND node ${VELMORA_WEB_OUT}/driver/sound_check.js --site ${VELMORA_WEB_OUT}/site)
set_tests_properties(web_sound_test PROPERTIES FIXTURES_REQUIRED web_site RESOURCE_LOCK second_browser TIMEOUT 300)

# A second build deployed over the first: the page says it is ready and "Play it"
# reloads into it; only its bytes run, online and offline.
add_test(NAME web_update_test
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/web_update_test.sh ${PROJECT_SOURCE_DIR} ${VELMORA_WEB_OUT})
set_tests_properties(web_update_test PROPERTIES FIXTURES_REQUIRED web_site RESOURCE_LOCK browser TIMEOUT 400)

# Recordings to watch that cannot be had (404, no server, stalled, too large)
# and one that reshapes every frame.
add_test(NAME web_watch_fetch_test
  COMMAND node ${VELMORA_WEB_OUT}/driver/watch_fetch_check.js --site ${VELMORA_WEB_OUT}/site)
set_tests_properties(web_watch_fetch_test PROPERTIES FIXTURES_REQUIRED web_site RESOURCE_LOCK browser TIMEOUT 600)

# The same game to the bit: desktop recordings watched in the browser, and a
# game played in the browser replayed by velmora-replay, traces compared byte
# for byte, bacteria included.
add_test(NAME web_same_game_test
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/web_same_game_test.sh ${PROJECT_SOURCE_DIR} ${VELMORA_WEB_OUT}
          $<TARGET_FILE:velmora-replay>)
# The browser's game runs on real time while the test plays it.
set_tests_properties(web_same_game_test PROPERTIES FIXTURES_REQUIRED web_site RESOURCE_LOCK second_browser TIMEOUT 1500)

# What the page says beside the mouth while the game goes on: the page's
# recording driven past its cap in seconds (what was recorded saved whole and
# replayed to the same trace), and a watched recording cut off in a line.
add_test(NAME web_page_notes_test
  COMMAND node ${VELMORA_WEB_OUT}/driver/page_notes_test.js --site ${VELMORA_WEB_OUT}/site
          --root ${PROJECT_SOURCE_DIR} --replay $<TARGET_FILE:velmora-replay> --work ${VELMORA_WEB_OUT}/page-notes)
set_tests_properties(web_page_notes_test PROPERTIES FIXTURES_REQUIRED web_site RESOURCE_LOCK second_browser TIMEOUT 240)

# The pictures and sounds as the page unpacks them: the game's pixels and bytes.
add_executable(web_packed_files_check ${CMAKE_CURRENT_SOURCE_DIR}/web_packed_files_check.cpp)
target_link_libraries(web_packed_files_check PRIVATE velmora_core)
add_test(NAME web_packed_files_test
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/web_packed_files_test.sh ${PROJECT_SOURCE_DIR}
          ${CMAKE_CURRENT_BINARY_DIR}/web-packed-files $<TARGET_FILE:web_packed_files_check>)

# The service worker's own logic under Node.js: its scope's caches only, its
# own site only.
add_test(NAME web_service_worker_test
  COMMAND node ${PROJECT_SOURCE_DIR}/web/test/service_worker_check.js
          --worker ${PROJECT_SOURCE_DIR}/web/service_worker.js)

# Files made to hurt the page: a sounds pack that inflates to a GiB of zeros
# and a signs pack sent without end, each said by name with the tab's memory
# near a plain visit's; a recording of four million new games watched as fast
# as the page goes, which answers all the while.
add_test(NAME web_hostile_packs_test
  COMMAND node ${VELMORA_WEB_OUT}/driver/hostile_files_check.js --site ${VELMORA_WEB_OUT}/site --part packs)
add_test(NAME web_hostile_recording_test
  COMMAND node ${VELMORA_WEB_OUT}/driver/hostile_files_check.js --site ${VELMORA_WEB_OUT}/site --part recording)
set_tests_properties(web_hostile_packs_test web_hostile_recording_test PROPERTIES
  FIXTURES_REQUIRED web_site RESOURCE_LOCK browser TIMEOUT 300)
