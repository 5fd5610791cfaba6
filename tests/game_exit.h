// How a game a test closed ended. Under the sanitizers the leak check at exit
// finds the OpenGL driver's own allocations, unloaded with the window and so
// beyond naming in a suppression; the sanitizer build's tests set the
// sanitizers' status to leakCheckStatus (see tests/CMakeLists.txt), so that it
// is told from the game's own, and any report of a fault fails the test.
#pragma once
#include <gtest/gtest.h>

#include <string>

constexpr int leakCheckStatus = 23;

inline void expectGameEnded(int status, int wanted, const std::string& log) {
    EXPECT_GE(status, 0) << "the game did not end";
#ifdef VELMORA_SANITIZED
    EXPECT_TRUE(status == wanted || status == leakCheckStatus) << "status " << status << "\n" << log;
    EXPECT_EQ(log.find("ERROR: AddressSanitizer"), std::string::npos) << log;
    EXPECT_EQ(log.find("runtime error"), std::string::npos) << log;
#else
    EXPECT_EQ(status, wanted) << log;
#endif
}
