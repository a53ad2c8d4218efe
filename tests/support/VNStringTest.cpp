#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/MessageBox.h"
#include "support/VNString.h"

namespace {

const std::string kFixturePath = std::string(VN_STRING_FIXTURE_DIR) + "/libVNSTRING7.so";

struct TShownBox {
  std::string Text;
  std::string Caption;
  unsigned Flags;
};

class VNStringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FPrevious = SetMessageBoxHandler(
        [this](const std::string& text, const std::string& caption, unsigned flags) {
          Shown.push_back({text, caption, flags});
          return IDCANCEL;  // an answer the default handler never gives
        });
  }
  void TearDown() override {
    FreeStringLibrary();
    SetMessageBoxHandler(FPrevious);
  }
  std::vector<TShownBox> Shown;

 private:
  TMessageBoxHandler FPrevious;
};

TEST_F(VNStringTest, WithoutTheLibraryTextsAreEmptyAndMessagesFallBack) {
  EXPECT_FALSE(LoadStringLibrary("VNSTRING7_not_installed"));
  EXPECT_EQ(StringLibHandle(), 0u);
  EXPECT_EQ(ResText(1002), "");

  char buffer[16] = "old content";
  EXPECT_EQ(LoadResText(1002, buffer, sizeof buffer), buffer);
  EXPECT_STREQ(buffer, "");

  EXPECT_EQ(ShowResMessage(1553, 1002, MB_ICONWARNING | MB_TASKMODAL), IDCANCEL);
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0].Text, "String-Resource nicht gefunden!");
  EXPECT_EQ(Shown[0].Caption, "Fehler");
  EXPECT_EQ(Shown[0].Flags, MB_ICONWARNING | MB_TASKMODAL);
}

TEST_F(VNStringTest, LoadsByBareNameThroughTheLibrarySearch) {
  const char* searchPath = std::getenv("LD_LIBRARY_PATH");
  if (!searchPath || std::string(searchPath).find(VN_STRING_FIXTURE_DIR) == std::string::npos)
    GTEST_SKIP() << "run through ctest, which puts the fixture folder on LD_LIBRARY_PATH";
  ASSERT_TRUE(LoadStringLibrary());
  EXPECT_NE(StringLibHandle(), 0u);
  EXPECT_EQ(ResText(1002), "RES:Fehler");
  FreeStringLibrary();
  EXPECT_EQ(StringLibHandle(), 0u);
  EXPECT_EQ(ResText(1002), "");
}

TEST_F(VNStringTest, ReadsTheNumberedTexts) {
  ASSERT_TRUE(LoadStringLibrary(kFixturePath));
  const std::vector<std::pair<unsigned, std::string>> cases = {
      {1002, "RES:Fehler"},
      {1011, "RES:Wertebereich"},
      {1316, "RES:ab: "},
      {1317, "RES:höchstens: "},
      {1553, "RES:Keine gültige Zahl"},
      {2001, ""},                     // present but empty
      {4711, ""},                     // not in the library
      {2000, std::string(254, 'L')},  // 300 characters cut to the 256-byte buffer
  };
  for (const auto& [id, expected] : cases) EXPECT_EQ(ResText(id), expected) << "text " << id;
}

TEST_F(VNStringTest, LoadResTextKeepsToTheBuffer) {
  ASSERT_TRUE(LoadStringLibrary(kFixturePath));
  struct TCase {
    int Size;
    std::string Expected;
  };
  // At most size - 2 characters and the zero; the guard byte after the
  // buffer must stay as it was.
  const std::vector<TCase> cases = {
      {64, "RES:Fehler"}, {12, "RES:Fehler"}, {11, "RES:Fehle"}, {6, "RES:"}, {2, ""}, {1, ""},
  };
  for (const auto& [size, expected] : cases) {
    std::vector<char> buffer(static_cast<std::size_t>(size) + 1, '#');
    LoadResText(1002, buffer.data(), size);
    EXPECT_EQ(std::string(buffer.data()), expected) << "size " << size;
    EXPECT_EQ(buffer.back(), '#') << "size " << size;
  }
  char untouched[4] = "abc";
  LoadResText(1002, untouched, 0);
  EXPECT_STREQ(untouched, "abc");
}

TEST_F(VNStringTest, ShowResMessageUsesBothTextsOrFallsBack) {
  ASSERT_TRUE(LoadStringLibrary(kFixturePath));
  struct TCase {
    unsigned TextId, CaptionId;
    std::string Text, Caption;
  };
  const std::vector<TCase> cases = {
      {1554, 1002, "RES:Zahl zu groß", "RES:Fehler"},
      {4711, 1002, "String-Resource nicht gefunden!", "Fehler"},  // text missing
      {1554, 4711, "String-Resource nicht gefunden!", "Fehler"},  // caption missing
      {2001, 1002, "String-Resource nicht gefunden!", "Fehler"},  // empty text
  };
  for (const auto& c : cases) {
    Shown.clear();
    EXPECT_EQ(ShowResMessage(c.TextId, c.CaptionId, MB_ICONWARNING), IDCANCEL);
    ASSERT_EQ(Shown.size(), 1u);
    EXPECT_EQ(Shown[0].Text, c.Text) << c.TextId << "/" << c.CaptionId;
    EXPECT_EQ(Shown[0].Caption, c.Caption) << c.TextId << "/" << c.CaptionId;
    EXPECT_EQ(Shown[0].Flags, MB_ICONWARNING);
  }
}

}  // namespace
