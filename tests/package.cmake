# The Debian package made from this build, unpacked and played under Xvfb.
add_executable(package_test package_test.cpp)
target_link_libraries(package_test PRIVATE velmora_x_session PNG::PNG GTest::gtest_main)
target_compile_definitions(package_test PRIVATE VELMORA_GAME="$<TARGET_FILE:velmora>"
  VELMORA_BUILD_DIR="${PROJECT_BINARY_DIR}" VELMORA_VERSION="${PROJECT_VERSION}")
add_dependencies(package_test velmora velmora-replay)
add_test(NAME package_test COMMAND package_test)
set_tests_properties(package_test PROPERTIES TIMEOUT 300)

# The README's Install build, configured as written: warnings stay warnings,
# and the test GCC 12 warned about at -O3 builds without one.
add_test(NAME readme_build_test
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/readme_build_test.sh ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/readme-build)
set_tests_properties(readme_build_test PROPERTIES TIMEOUT 600)

# The README's first screen and commands, and the links and scripts that the
# README and docs/ name.
add_test(NAME readme_pages_test COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/readme_pages_test.sh ${PROJECT_SOURCE_DIR})

# tools/web.sh's help and refusals (--help, a bad --port, a port in use), none
# of which builds the page.
add_test(NAME web_script_test COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/web_script_test.sh ${PROJECT_SOURCE_DIR})
set_tests_properties(web_script_test PROPERTIES TIMEOUT 60)
