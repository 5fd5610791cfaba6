# Tests of the picture loaders: the Targa reader and PNG decoding on their own,
# the loaders and the upload on the recording OpenGL, and one drawing on Mesa.
velmora_unit_test(picture_reading_test
  ${CMAKE_CURRENT_LIST_DIR}/targa_reader_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/png_decoding_test.cpp)
velmora_unit_test(picture_loaders_test ${CMAKE_CURRENT_LIST_DIR}/picture_loaders_test.cpp)
velmora_render_test(rendering_test ${CMAKE_CURRENT_LIST_DIR}/rendering_test.cpp)
