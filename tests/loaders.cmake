# Tests of the picture loaders: the Targa reader and PNG decoding on their own,
# the loaders and the upload on the recording OpenGL, and drawings on Mesa: the
# pictures upright, and the kept pixels of an opaque sprite.
velmora_unit_test(picture_reading_test
  ${CMAKE_CURRENT_LIST_DIR}/targa_reader_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/png_decoding_test.cpp)
velmora_unit_test(picture_loaders_test ${CMAKE_CURRENT_LIST_DIR}/picture_loaders_test.cpp)
velmora_render_test(rendering_test ${CMAKE_CURRENT_LIST_DIR}/rendering_test.cpp)
velmora_render_test(kept_pixels_test ${CMAKE_CURRENT_LIST_DIR}/kept_pixels_test.cpp)
