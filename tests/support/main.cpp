#include <cstdlib>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Death tests re-run the binary instead of forking a process that holds a GL context.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The games the tests drive play into a loopback device of their own; a game opening the
  // default device (one run as a process of its own) gets OpenAL's silent one, so the whole sound
  // path runs on any machine and nothing is heard. A test that needs another names it itself.
  setenv("ALSOFT_DRIVERS", "null", 0);
  return RUN_ALL_TESTS();
}
