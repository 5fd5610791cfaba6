# The game's pictures: what the committed files in img/ hold, and that
# make-pictures still draws exactly those files.
velmora_unit_test(pictures_content_test ${CMAKE_CURRENT_LIST_DIR}/pictures_content_test.cpp)

if(TARGET make-pictures)
  velmora_unit_test(pictures_regeneration_test ${CMAKE_CURRENT_LIST_DIR}/pictures_regeneration_test.cpp)
  add_dependencies(pictures_regeneration_test make-pictures)
  target_compile_definitions(pictures_regeneration_test PRIVATE MAKE_PICTURES="$<TARGET_FILE:make-pictures>")
endif()
velmora_unit_test(pictures_placement_test ${CMAKE_CURRENT_LIST_DIR}/pictures_placement_test.cpp)
