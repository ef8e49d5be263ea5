#include <cstdlib>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Death tests re-run the binary instead of forking a process that holds a GL context.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The games the tests run play their sounds on OpenAL's silent device: the whole sound path
  // runs on any machine and nothing is heard. A test that needs another device names it itself.
  setenv("ALSOFT_DRIVERS", "null", 0);
  return RUN_ALL_TESTS();
}
