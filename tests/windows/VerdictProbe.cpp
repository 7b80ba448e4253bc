// A test program that goes wrong on purpose in the ways a Windows test must
// never be passed with: a failure followed by a crash, a crash after a pass,
// and an end before any verdict. Each is run as a test that must fail.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

namespace {

// An address the compiler cannot know to be null, so that the write below
// is a real page fault and not a trap put in its place.
volatile std::uintptr_t nowhere = 0;

// A page fault outside GoogleTest's own catching: while the program ends.
void crashAtExit() {
    std::atexit([] { *reinterpret_cast<volatile int*>(nowhere) = 1; });
}

}  // namespace

TEST(VerdictProbe, FailsThenCrashes) {
    crashAtExit();
    ADD_FAILURE() << "a failing check";
}

TEST(VerdictProbe, PassesThenCrashes) {
    crashAtExit();
}

TEST(VerdictProbe, EndsBeforeAnyVerdict) {
    ExitProcess(0);
}
