# valgrind's memcheck over the entity and game-state tests and over ten minutes
# of play through velmora-replay. Sanitizers and valgrind do not mix, so these
# belong to the plain build.
find_program(VALGRIND valgrind)
if(VALGRIND AND NOT VELMORA_SANITIZE)
  foreach(program entity_test game_state_test)
    add_test(NAME ${program}_memcheck
      COMMAND ${VALGRIND} --error-exitcode=9 --leak-check=full --errors-for-leak-kinds=definite,indirect
        $<TARGET_FILE:${program}>
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  endforeach()
  if(TARGET velmora-replay)
    add_test(NAME replay_memcheck
      COMMAND bash ${PROJECT_SOURCE_DIR}/tools/valgrind_replay.sh $<TARGET_FILE:velmora-replay>
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
    set_tests_properties(replay_memcheck PROPERTIES TIMEOUT 1200)
  endif()
endif()
