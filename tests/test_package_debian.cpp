// The Debian package as a player gets it: unpacked anywhere, started through its launcher from
// another directory, with a home directory of its own. The package is built by the test fixture
// that runs cpack before these tests (see tests/CMakeLists.txt).

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "app/Toggles.h"
#include "support/Command.h"
#include "support/OwnDisplay.h"
#include "support/ScratchDirectory.h"

// Last: Xlib's macros (None, Bool) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace vorn {
namespace {

namespace fs = std::filesystem;

std::string onlyPackage() {
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(fs::path(BLOTWISE_BINARY_DIR) / "package"))
    if (entry.path().extension() == ".deb") found.push_back(entry.path());
  if (found.size() != 1) ADD_FAILURE() << found.size() << " packages in build/package, not one";
  return found.empty() ? "" : found.front().string();
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Every path below the tree with its time of last change: what the game must leave as it is.
std::map<std::string, fs::file_time_type> snapshot(const fs::path& tree) {
  std::map<std::string, fs::file_time_type> files;
  for (const auto& entry : fs::recursive_directory_iterator(tree))
    files[entry.path().string()] = fs::symlink_status(entry.path()).type() == fs::file_type::symlink
                                       ? fs::file_time_type{}
                                       : entry.last_write_time();
  return files;
}

// The package unpacked into a scratch directory, with a player's empty home beside it.
class UnpackedPackage : public ::testing::Test {
 protected:
  void SetUp() override {
    int status = 0;
    const std::string output = test::runCommand(
        "dpkg-deb -x '" + onlyPackage() + "' '" + root.string() + "' 2>&1", status);
    ASSERT_EQ(status, 0) << output;
    fs::create_directories(home);
  }

  // Starts the launcher in the scratch directory (not the game's), with HOME set to the
  // player's home; its output goes to the log.
  pid_t startLauncher(const fs::path& tree) {
    const pid_t child = fork();
    if (child == 0) {
      const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, 1);
      dup2(out, 2);
      if (chdir(scratch.path.c_str()) != 0) _exit(126);
      setenv("HOME", home.c_str(), 1);
      unsetenv("XDG_CONFIG_HOME");
      const std::string launcher = (tree / "usr/games/blotwise").string();
      execl(launcher.c_str(), launcher.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    return child;
  }

  // Runs the launcher to its end without a display, with XDG_CONFIG_HOME as given ("" for unset):
  // the game stops at once, but the player's directory is set up by then.
  void launchWithoutDisplay(const fs::path& tree, const std::string& configHome = "") {
    const std::string xdg = configHome.empty() ? "" : "XDG_CONFIG_HOME='" + configHome + "' ";
    int status = 0;
    const std::string output = test::runCommand(
        "cd '" + scratch.path.string() + "' && env -u DISPLAY -u XDG_CONFIG_HOME HOME='" +
            home.string() + "' " + xdg + "'" + (tree / "usr/games/blotwise").string() + "' 2>&1",
        status);
    EXPECT_NE(output.find("ERROR: Could not init glfw"), std::string::npos) << output;
  }

  test::ScratchDirectory scratch{"package"};
  const fs::path root = scratch.path / "root";
  const fs::path home = scratch.path / "home";
  const fs::path gameDir = home / ".config/blotwise";
  const std::string log = scratch.file("game.log");
};

// What the desktop, the menu and man(1) look for, where Debian's layout for games puts it.
TEST_F(UnpackedPackage, HoldsTheGameInDebiansLayoutForGames) {
  for (const char* path :
       {"usr/games/blotwise", "usr/lib/games/blotwise/blotwise",
        "usr/share/games/blotwise/Shader/blinn_phong.frag",
        "usr/share/games/blotwise/Resources/cube.obj", "usr/share/applications/blotwise.desktop",
        "usr/share/icons/hicolor/scalable/apps/blotwise.svg", "usr/share/man/man6/blotwise.6.gz",
        "usr/share/doc/blotwise/copyright", "usr/share/doc/blotwise/changelog.gz"})
    EXPECT_TRUE(fs::is_regular_file(root / path)) << path;
  EXPECT_FALSE(fs::exists(root / "usr/share/games/blotwise/Resources/.stamp"));
  const std::string entry = readFile(root / "usr/share/applications/blotwise.desktop");
  EXPECT_NE(entry.find("\nExec=blotwise\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nIcon=blotwise\n"), std::string::npos) << entry;
  int status = 0;
  const std::string page = test::runCommand(
      "zcat '" + (root / "usr/share/man/man6/blotwise.6.gz").string() + "'", status);
  for (std::size_t i = 0; i < kToggleCount; ++i)
    EXPECT_NE(page.find(std::string(".B ") + kToggles[i].keyName + "\n"), std::string::npos)
        << kToggles[i].keyName << " is missing from the manual page";
}

// Not even a pedantic remark: Debian's build flags and dh_strip's stripping (no .comment, no
// bind-now missing), the files where Debian's policy wants them.
TEST(Package, LintianFindsNothingEvenPedantic) {
  int status = 0;
  const std::string output = test::runCommand(
      "lintian --pedantic --fail-on error,warning,info,pedantic '" + onlyPackage() + "' 2>&1",
      status);
  EXPECT_EQ(status, 0) << output;
}

// Packed again from this build tree, later and into another directory: the same bytes, since
// every time stamp in the package is SOURCE_DATE_EPOCH.
TEST(Package, PackedAgainIsByteForByteTheSame) {
  test::ScratchDirectory again{"repack"};
  int status = 0;
  std::string output = test::runCommand(
      "cd '" BLOTWISE_BINARY_DIR "' && cpack -G DEB -B '" + again.path.string() + "' 2>&1", status);
  ASSERT_EQ(status, 0) << output;
  const fs::path first = onlyPackage();
  output = test::runCommand(
      "cmp '" + first.string() + "' '" + (again.path / first.filename()).string() + "' 2>&1",
      status);
  EXPECT_EQ(status, 0) << output;
}

// Hardened as Debian builds its packages: position-independent, full RELRO with bind-now, the
// stack protector, fortified libc calls. Not control-flow protection: Debian 12's flags leave it
// out, and so its libimgui.a, linked in, lacks it, which takes it from the whole program.
TEST_F(UnpackedPackage, ProgramIsHardened) {
  int status = 0;
  const fs::path program = root / "usr/lib/games/blotwise/blotwise";
  const std::string output =
      test::runCommand("hardening-check --nocfprotection '" + program.string() + "' 2>&1", status);
  EXPECT_EQ(status, 0) << output;
}

// No file of the package names the directories it was built in, and neither does the build
// tree's program with its debugging information: two checkouts in two places build the same.
TEST_F(UnpackedPackage, NamesNoBuildDirectory) {
  std::vector<fs::path> files{fs::path(BLOTWISE_BINARY_DIR) / "blotwise"};
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) files.push_back(entry.path());
  for (const fs::path& file : files) {
    int status = 0;
    const std::string bytes = file.extension() == ".gz"
                                  ? test::runCommand("zcat '" + file.string() + "'", status)
                                  : readFile(file);
    for (const char* directory : {BLOTWISE_SOURCE_DIR, BLOTWISE_BINARY_DIR})
      EXPECT_EQ(bytes.find(directory), std::string::npos) << file << " names " << directory;
  }
}

// What desktops and software centres read: a valid desktop entry, and AppStream metadata that
// points at it and whose release is the changelog's newest entry, as Debian's parser reads it.
TEST_F(UnpackedPackage, ListsTheGameForSoftwareCentres) {
  const fs::path metainfo =
      root / "usr/share/metainfo/example.c_seed_c0abea69.blotwise.metainfo.xml";
  int status = 0;
  std::string output =
      test::runCommand("appstreamcli validate --no-net '" + metainfo.string() + "' 2>&1", status);
  EXPECT_EQ(status, 0) << output;
  const std::string xml = readFile(metainfo);
  std::smatch launchable;
  ASSERT_TRUE(std::regex_search(xml, launchable,
                                std::regex("<launchable type=\"desktop-id\">([^<]+)</launchable>")))
      << xml;
  const fs::path entry = root / "usr/share/applications" / launchable[1].str();
  output = test::runCommand("desktop-file-validate '" + entry.string() + "' 2>&1", status);
  EXPECT_TRUE(status == 0 && output.empty()) << entry << "\n" << output;

  const std::string changelog = scratch.file("changelog");
  test::runCommand("zcat '" + (root / "usr/share/doc/blotwise/changelog.gz").string() + "' > '" +
                       changelog + "'",
                   status);
  const std::string field = "dpkg-parsechangelog -l '" + changelog + "' -S ";
  const std::string version = test::runCommand(field + "Version | tr -d '\\n'", status);
  const std::string day =
      test::runCommand("date -u +%F -d \"$(" + field + "Date)\" | tr -d '\\n'", status);
  EXPECT_NE(xml.find("<release version=\"" + version + "\" date=\"" + day + "\""),
            std::string::npos)
      << version << " " << day << "\n"
      << xml;
}

// The player's directory links to wherever the installed tree is now, under XDG_CONFIG_HOME when
// that is set; a directory of the player's own in a link's place stays as it is.
TEST_F(UnpackedPackage, LauncherLinksThePlayersDirectoryToTheTreeWhereverItIs) {
  launchWithoutDisplay(root);
  EXPECT_EQ(fs::read_symlink(gameDir / "Shader"), root / "usr/share/games/blotwise/Shader");

  const fs::path moved = scratch.path / "moved";
  fs::rename(root, moved);
  launchWithoutDisplay(moved);
  EXPECT_EQ(fs::read_symlink(gameDir / "Shader"), moved / "usr/share/games/blotwise/Shader");
  EXPECT_EQ(fs::read_symlink(gameDir / "Resources"), moved / "usr/share/games/blotwise/Resources");

  const fs::path configHome = scratch.path / "xdg";
  fs::create_directories(configHome / "blotwise/Resources");
  launchWithoutDisplay(moved, configHome.string());
  EXPECT_EQ(fs::read_symlink(configHome / "blotwise/Shader"),
            moved / "usr/share/games/blotwise/Shader");
  EXPECT_EQ(fs::symlink_status(configHome / "blotwise/Resources").type(), fs::file_type::directory);
}

// What a window shows: the share of pixels unlike the commonest colour, and how many colours.
struct Picture {
  double varied = 0.0;
  size_t colours = 0;
};

Picture measure(Display* x, Window window, int width, int height) {
  XImage* image = XGetImage(x, window, 0, 0, width, height, AllPlanes, ZPixmap);
  if (!image) return {};
  std::map<unsigned long, size_t> counts;
  for (int y = 0; y < height; ++y)
    for (int col = 0; col < width; ++col) ++counts[XGetPixel(image, col, y) & 0xffffff];
  XDestroyImage(image);
  size_t commonest = 0;
  for (const auto& [colour, count] : counts) commonest = std::max(commonest, count);
  return {1.0 - static_cast<double>(commonest) / (static_cast<double>(width) * height),
          counts.size()};
}

// The game's window: the one viewable top-level window of the display.
Window findGameWindow(Display* x, XWindowAttributes& attributes) {
  Window rootWindow = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  Window found = 0;
  if (XQueryTree(x, DefaultRootWindow(x), &rootWindow, &parent, &children, &count)) {
    for (unsigned i = 0; i < count && !found; ++i)
      if (XGetWindowAttributes(x, children[i], &attributes) && attributes.map_state == IsViewable)
        found = children[i];
    XFree(children);
  }
  return found;
}

// Started from another directory with config.txt in the player's directory: the window takes
// the configured size, the level is drawn, Escape ends the game with status 0 and the installed
// tree is left as it was.
TEST_F(UnpackedPackage, LauncherStartsTheGameWithThePlayersConfig) {
  fs::create_directories(gameDir);
  std::ofstream(gameDir / "config.txt") << "640 480 0 60\n";
  const auto installed = snapshot(root);

  test::OwnDisplay display;
  Display* x = XOpenDisplay(nullptr);
  ASSERT_NE(x, nullptr);
  const pid_t game = startLauncher(root);
  // Generous bounds on the polls below: they only end a broken start, a slow machine passes.
  Picture picture;
  XWindowAttributes attributes{};
  int exited = 0;
  for (int poll = 0; poll < 1200 && picture.colours < 1000; ++poll) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (waitpid(game, &exited, WNOHANG) == game) FAIL() << "the game ended:\n" << readFile(log);
    if (const Window window = findGameWindow(x, attributes))
      picture = measure(x, window, attributes.width, attributes.height);
  }
  EXPECT_EQ(attributes.width, 640);
  EXPECT_EQ(attributes.height, 480);
  EXPECT_GT(picture.varied, 0.5);
  EXPECT_GE(picture.colours, 1000u);
  XCloseDisplay(x);

  display.tapKey(XK_Escape);
  int status = -1;
  for (int poll = 0; poll < 600 && waitpid(game, &status, WNOHANG) != game; ++poll)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (status == -1) {
    kill(game, SIGKILL);
    waitpid(game, &status, 0);
    ADD_FAILURE() << "Escape did not end the game";
  }
  const std::string output = readFile(log);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << output;
  EXPECT_NE(output.find("Configured Window Size: 640x480 fullscreen: 0 refresh rate: 60\n"),
            std::string::npos)
      << output;
  EXPECT_EQ(snapshot(root), installed);
}

}  // namespace
}  // namespace vorn
