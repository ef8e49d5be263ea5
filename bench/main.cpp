// Prints the game's performance figures: start-up, the phases of a frame, the frame against a
// bare loop of the same GL calls, and the physics step with many boxes. Every figure is the
// median of several runs. Run under a display (xvfb-run) on an otherwise idle machine.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <streambuf>
#include <string>
#include <thread>

#include <GLFW/glfw3.h>

#include "bench/Allocations.h"
#include "bench/Sections.h"

// Last: its macros (None, Bool, Status) would meet the headers above.
#include <X11/Xlib.h>

namespace {

// Swallows the game's console lines, which would scatter through the figures, while it lives;
// std::cout gets its own buffer back before the stream library's final flush at exit.
class QuietCout : private std::streambuf {
 public:
  QuietCout() : saved(std::cout.rdbuf(this)) {}
  ~QuietCout() { std::cout.rdbuf(saved); }
  QuietCout(const QuietCout&) = delete;
  QuietCout& operator=(const QuietCout&) = delete;

 private:
  int overflow(int c) override { return c; }
  std::streambuf* saved;
};

std::string firstLineOf(const char* path, const char* prefix) {
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) {
    if (line.rfind(prefix, 0) == 0) return line;
  }
  return "unknown";
}

void printMachine() {
  std::string cpu = firstLineOf("/proc/cpuinfo", "model name");
  cpu = cpu.substr(cpu.find(':') == std::string::npos ? 0 : cpu.find(':') + 2);
  std::printf("Machine: %u cores of %s; load average %s\n", std::thread::hardware_concurrency(),
              cpu.c_str(), firstLineOf("/proc/loadavg", "").c_str());
}

// The game says only that GLFW failed; GLFW's own words (a display that cannot be opened) help
// more.
void reportGlfwError(int code, const char* text) {
  std::fprintf(stderr, "GLFW %d: %s\n", code, text);
}

bool wanted(int argc, char** argv, const char* section) {
  if (argc < 2) return true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], section) == 0) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (chdir(BLOTWISE_RUN_DIR) != 0) {
    std::fprintf(stderr, "ERROR: cannot enter the run directory %s\n", BLOTWISE_RUN_DIR);
    return 1;
  }
  glfwSetErrorCallback(reportGlfwError);
  // A virtual display's X server resets whenever its last client leaves, and drops a client
  // that connects during the reset: the next game's window would find no display. A connection
  // held for the whole run keeps it from resetting.
  Display* const holdDisplay = XOpenDisplay(nullptr);
  if (holdDisplay == nullptr) {
    std::fprintf(stderr, "ERROR: no display: run the bench under xvfb-run\n");
    return 1;
  }
  // The game's sound goes to OpenAL's silent device: the sound path runs, nothing is heard.
  setenv("ALSOFT_DRIVERS", "null", 0);
  bench::countAllocationsOnThisThread();
  bench::countImGuiAllocations();
  const QuietCout quiet;

  printMachine();
  if (wanted(argc, argv, "startup")) bench::startUpSection();
  if (wanted(argc, argv, "frame")) bench::frameSection();
  if (wanted(argc, argv, "scale")) bench::scaleSection();
  std::printf("\n");
  printMachine();
  XCloseDisplay(holdDisplay);
  return 0;
}

namespace bench {

void printHeading(const char* heading) { std::printf("\n%s\n", heading); }

void printFigure(const char* name, double value, const char* unit, const char* remark) {
  // Counts print as whole numbers, everything else to a microsecond or a thousandth.
  const int decimals = value == static_cast<double>(static_cast<long long>(value)) ? 0 : 3;
  std::printf("  %-52s %10.*f %-3s %s\n", name, decimals, value, unit, remark);
  std::fflush(stdout);
}

void printTarget(const char* name, double value, const char* unit, double limit, bool inclusive) {
  const bool met = inclusive ? value <= limit : value < limit;
  char remark[80];
  std::snprintf(remark, sizeof remark, "target %s %g%s%s: %s", inclusive ? "<=" : "<", limit,
                *unit ? " " : "", unit, met ? "met" : "NOT MET");
  printFigure(name, value, unit, remark);
}

}  // namespace bench
