# A long game through velmora-replay: a shortened soak with seeded random play
# checked frame by frame (the full two hours is tools/soak.py --seconds 7200).
if(TARGET velmora-replay)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  # AddressSanitizer holds freed memory back in quarantine, so resident memory
  # says nothing there: only the plain build watches it.
  set(memory_check "")
  if(VELMORA_SANITIZE)
    set(memory_check --no-memory-check)
  endif()
  add_test(NAME soak_test
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/soak.py
      --replay $<TARGET_FILE:velmora-replay> --seconds 600 --seed 1 ${memory_check}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(soak_test PROPERTIES TIMEOUT 900)
endif()
