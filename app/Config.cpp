#include "app/Config.h"

#include <istream>
#include <ostream>
#include <sstream>
#include <string>

namespace vorn {

namespace {

void reportUnparsed(std::ostream& err, const char* what) {
  err << "ERROR: Could not parse configured " << what << std::endl;
}

// A width or height of zero, a negative one or an absurd one would open no window or divide by
// zero later, so it counts as a value that does not parse.
void readWindowSide(std::istringstream& line, int32_t& side, std::ostream& err, const char* what) {
  int32_t value = 0;
  line >> value;
  if (line.fail() || value <= 0 || value > kMaxWindowSide) {
    line.setstate(std::ios::failbit);
    reportUnparsed(err, what);
    return;
  }
  side = value;
}

// Some editors save UTF-8 text with a byte-order mark; it is not part of the first line's text.
void skipByteOrderMark(std::string& text) {
  static const std::string kMark = "\xEF\xBB\xBF";
  if (text.compare(0, kMark.size(), kMark) == 0) text.erase(0, kMark.size());
}

}  // namespace

void readConfig(std::istream& in, WindowSettings& settings, std::ostream& out, std::ostream& err) {
  std::string text;
  for (bool first = true; std::getline(in, text); first = false) {
    if (first) skipByteOrderMark(text);
    // Files written with DOS line ends keep their carriage return on this platform.
    if (!text.empty() && text.back() == '\r') text.pop_back();
    std::istringstream line(text);
    // Once one value fails the stream stays failed, so every later value of the line fails too.
    readWindowSide(line, settings.width, err, "width");
    readWindowSide(line, settings.height, err, "height");

    bool fullscreen = false;
    line >> fullscreen;
    if (line.fail()) reportUnparsed(err, "fullscreen bool");
    else settings.fullscreen = fullscreen;

    int32_t refreshRate = 0;
    line >> refreshRate;
    if (line.fail()) reportUnparsed(err, "refresh rate");
    else settings.refreshRate = refreshRate;

    out << "Configured Window Size: " << settings.width << "x" << settings.height
        << " fullscreen: " << (settings.fullscreen ? 1 : 0)
        << " refresh rate: " << settings.refreshRate << std::endl;
  }
}

}  // namespace vorn
