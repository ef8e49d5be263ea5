// The key list the README shows is the one the game reads.
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "app/Toggles.h"

namespace vorn {
namespace {

TEST(KeyList, ReadmeShowsTheGamesOwnKeyTable) {
  std::ifstream in(BLOTWISE_SOURCE_DIR "/README.md", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const std::string readme = text.str();
  std::string regenerated = readme;
  ASSERT_TRUE(replaceKeySection(regenerated)) << "the README lost its key markers";
  EXPECT_EQ(readme, regenerated) << "run build/keydoc --readme README.md";
}

TEST(KeyList, EveryToggleIsListedWithEveryStateItCanShow) {
  const std::string markdown = keyTableMarkdown();
  const std::string roff = keyListRoff();
  for (std::size_t i = 0; i < kToggleCount; ++i) {
    const Toggle& t = kToggles[i];
    SCOPED_TRACE(t.keyName);
    EXPECT_NE(markdown.find(std::string("| ") + t.keyName + " | " + t.label + " |"), std::string::npos);
    EXPECT_NE(roff.find(std::string(".B ") + t.keyName + "\n" + t.label), std::string::npos);
    for (const std::string& list : {markdown, roff}) {
      for (int s = 0; s < t.states.count; ++s)
        EXPECT_NE(list.find(t.states.texts[s]), std::string::npos);
    }
  }
  for (std::size_t i = 0; i < kPlainKeyCount; ++i)
    EXPECT_NE(roff.find(std::string(".B ") + kPlainKeys[i].key + "\n"), std::string::npos);
}

TEST(KeyList, AReadmeWithoutMarkersIsLeftAlone) {
  std::string readme = "# Keys\nnone\n";
  EXPECT_FALSE(replaceKeySection(readme));
  EXPECT_EQ(readme, "# Keys\nnone\n");
}

}  // namespace
}  // namespace vorn
