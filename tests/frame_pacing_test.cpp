// The frame cap's schedule: arrival times in, waits out, worked out by hand
// for a cap of 50 frames a second (20 ms a frame).
#include "session/frame_pacing.h"

#include <gtest/gtest.h>

namespace {

struct Arrival {
    double at;    // ms
    double wait;  // ms
};

void expectWaits(FramePacer pacer, const std::vector<Arrival>& arrivals) {
    for (const Arrival& a : arrivals)
        EXPECT_NEAR(pacingDelay(pacer, a.at / 1000.0) * 1000.0, a.wait, 1e-6) << "frame arriving at " << a.at << " ms";
}

FramePacer capped() {
    FramePacer pacer;
    pacer.periodSeconds = 0.020;
    return pacer;
}

TEST(FramePacing, FastFramesWaitForTheirSlots) {
    // Drawing takes 5 ms; every frame waits out the rest of its 20 ms.
    expectWaits(capped(), {{1000, 0}, {1005, 15}, {1025, 15}, {1045, 15}});
}

TEST(FramePacing, ALateFrameIsMadeUpByTheNextOnes) {
    // Slots at 1020, 1040, 1060, 1080, 1100: the frames that come 7 and 5 ms
    // after their slots do not wait, and the ones after them keep to the slots.
    expectWaits(capped(), {{1000, 0}, {1005, 15}, {1047, 0}, {1052, 8}, {1085, 0}, {1090, 10}});
}

TEST(FramePacing, SlowFramesAreMadeUpButAStallIsNot) {
    // Three frames of 30 ms put the schedule 30 ms behind its slots at 1040,
    // 1060, 1080; the fast frames after them catch up without waiting.
    expectWaits(capped(), {{1000, 0}, {1005, 15}, {1050, 0}, {1080, 0}, {1110, 0}, {1115, 0}, {1120, 0}, {1125, 15}});
    // A stall of half a second must not be followed by a burst of frames.
    expectWaits(capped(), {{1000, 0}, {1005, 15}, {1500, 0}, {1505, 15}, {1525, 15}});
}

TEST(FramePacing, NoCapNeverWaits) {
    FramePacer pacer;
    expectWaits(pacer, {{1000, 0}, {1000, 0}, {1001, 0}});
}

}  // namespace
