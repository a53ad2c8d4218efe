#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "support/TextCodec.h"
#include "support/VNErrors.h"
#include "support/VNUtils.h"

namespace {

struct SplitCase {
  const char* Text;
  const char* Separators;
  bool Quoted;
  int Result;
  TStrings Pieces;
};

class SplitTextTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTextTest, CutsAtSeparatorRuns) {
  const SplitCase& c = GetParam();
  TStrings pieces;
  EXPECT_EQ(SplitText(c.Text, &pieces, c.Separators, c.Quoted), c.Result);
  EXPECT_EQ(pieces, c.Pieces);
  // Without a list the count is the same.
  EXPECT_EQ(SplitText(c.Text, nullptr, c.Separators, c.Quoted), c.Result);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitTextTest,
    ::testing::Values(
        SplitCase{"", ";", false, 0, {}}, SplitCase{"a;b;c", ";", false, 3, {"a", "b", "c"}},
        SplitCase{";a", ";", false, 2, {"", "a"}}, SplitCase{"a;;b", ";", false, 3, {"a", "", "b"}},
        // The empty piece after a trailing separator is listed, not counted.
        SplitCase{"a;", ";", false, 1, {"a", ""}}, SplitCase{";", ";", false, 1, {"", ""}},
        SplitCase{"a;b,c", ";,", false, 3, {"a", "b", "c"}},
        // ";" twice, then 2: only two in a row separate.
        SplitCase{"a;b;;c", ";;2", false, 2, {"a;b", "c"}},
        SplitCase{"a;;;b", ";;2", false, 2, {"a", ";b"}},
        SplitCase{"a;;;;b", ";;2", false, 3, {"a", "", "b"}},
        SplitCase{"a;;", ";;2", false, 1, {"a", ""}},
        SplitCase{"a;;b;;;c", ";;3", false, 2, {"a;;b", "c"}},
        // A run of mixed set characters counts as one run.
        SplitCase{"a;,b", ";,;2", false, 2, {"a", "b"}},
        // N = 0 never cuts; a non-digit or nothing after the repetition is N = 1.
        SplitCase{"a;b", ";;0", false, 1, {"a;b"}}, SplitCase{"a;b", ";;x", false, 2, {"a", "b"}},
        SplitCase{"a;b", ";;", false, 2, {"a", "b"}}, SplitCase{"a;b", "", false, 1, {"a;b"}},
        // Quotes protect separators and stay in the piece.
        SplitCase{"\"x\";\"y;z\"", ";", true, 2, {"\"x\"", "\"y;z\""}},
        SplitCase{"\"x\";\"y;z\"", ";", false, 3, {"\"x\"", "\"y", "z\""}},
        SplitCase{"\"a;b", ";", true, 1, {"\"a;b"}},
        // UTF-8 characters pass whole: an ASCII separator never falls inside one.
        SplitCase{"\xC3\xA4;\xC3\xB6", ";", false, 2, {"\xC3\xA4", "\xC3\xB6"}}));

TEST(SplitTextTrimmed, TrimsEarlierItemsAsWell) {
  TStrings list{"  old\t"};
  EXPECT_EQ(SplitTextTrimmed(" a ;\tb\r\n", &list, ";", false), 3);
  EXPECT_EQ(list, (TStrings{"old", "a", "b"}));
}

struct ToListCase {
  const char* Text;
  bool Quoted;
  TStrings Items;
};

class SplitToListTest : public ::testing::TestWithParam<ToListCase> {};

TEST_P(SplitToListTest, GivesTrimmedNonEmptyItems) {
  const ToListCase& c = GetParam();
  TStrings items;
  EXPECT_EQ(SplitToList(c.Text, &items, ";", c.Quoted), static_cast<int>(c.Items.size()));
  EXPECT_EQ(items, c.Items);
  EXPECT_EQ(SplitToList(c.Text, nullptr, ";", c.Quoted), static_cast<int>(c.Items.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitToListTest,
    ::testing::Values(ToListCase{" a ; b ;; c ;", false, {"a", "b", "c"}},
                      ToListCase{"\"x\";\"y;z\"", true, {"x", "y;z"}},
                      ToListCase{" ; ;", false, {}},
                      // Emptiness is judged before unquoting: "" stays as an empty item.
                      ToListCase{"\"\";a", true, {"", "a"}},
                      ToListCase{"SPS; E ;5", false, {"SPS", "E", "5"}}));

TEST(SplitToList, KeepsEmptyItemsThatWereThereBefore) {
  TStrings list{""};
  EXPECT_EQ(SplitToList("a;;b", &list, ";", false), 3);
  EXPECT_EQ(list, (TStrings{"", "a", "b"}));
}

TEST(Unquote, RemovesOneEnclosingPair) {
  const std::pair<const char*, const char*> cases[] = {
      {"\"abc\"", "abc"},   {"  \" abc \"\t", "abc"},
      {"\"abc", "\"abc"},   {"abc\"", "abc\""},
      {"\"", ""},           {"\"\"", ""},
      {"\"a\"b\"", "a\"b"}, {"", ""},
      {" plain ", "plain"}, {"\"\"x\"\"", "\"x\""},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(Unquote(text), expected) << text;
}

TEST(TrimText, RemovesBlanksAndControlCharactersOnly) {
  EXPECT_EQ(TrimText("\t a b \r\n"), "a b");
  EXPECT_EQ(TrimText(std::string("\x01x\x1F", 3)), "x");
  EXPECT_EQ(TrimText("\xE4x\xA0"), "\xE4x\xA0");  // 8-bit letters are text
  EXPECT_EQ(TrimText(" \t "), "");
}

struct IntCase {
  const char* Text;
  std::optional<std::int32_t> Value;
};

TEST(TryStrToInt, AcceptsDecimalAndHexadecimalForms) {
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  const IntCase cases[] = {
      {"0", 0},
      {"42", 42},
      {"  7", 7},
      {"+5", 5},
      {"-5", -5},
      {"$A", 10},
      {"xff", 255},
      {"X1F", 31},
      {"0x10", 16},
      {"0X10", 16},
      {"-$10", -16},
      {"000000000000000000000012", 12},
      {"2147483647", kMax},
      {"-2147483648", kMin},
      {"$7FFFFFFF", kMax},
      {"$FFFFFFFF", -1},  // hexadecimal may use all 32 bits
      {"$80000000", kMin},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"$100000000", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"7 ", std::nullopt},
      {"\t5", std::nullopt},
      {"", std::nullopt},
      {" ", std::nullopt},
      {"-", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"12a", std::nullopt},
      {"1e3", std::nullopt},
      {"+-5", std::nullopt},
      {"$ 5", std::nullopt},
      {"0x-5", std::nullopt},
      {"$0x5", std::nullopt},
      {"$G", std::nullopt},
  };
  for (const IntCase& c : cases) EXPECT_EQ(TryStrToInt(c.Text), c.Value) << '"' << c.Text << '"';
}

TEST(StrToInt, RaisesConvertErrorNamingTheText) {
  EXPECT_EQ(StrToInt("$10"), 16);
  try {
    StrToInt("12a");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_NE(std::string(e.what()).find("'12a'"), std::string::npos) << e.what();
  }
  // A huge text is cut in the message, not copied whole.
  try {
    StrToInt(std::string(100000, 'z'));
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(std::string(e.what()),
              "'" + std::string(200, 'z') + "\u2026' is not a valid integer value");
  }
}

TEST(TextCodec, Utf8Validity) {
  const std::pair<std::string, bool> cases[] = {
      {"", true},
      {"Pr\xC3\xBC"
       "fung",
       true},
      {"\xEF\xBB\xBFSlot=2", true},  // byte-order mark
      {"\xF0\x9F\x98\x80", true},    // four bytes
      {"\xF4\x8F\xBF\xBF", true},    // U+10FFFF
      {"Pr\xFC"
       "fung",
       false},          // Windows-1252
      {"\xC3", false},  // cut short
      {"\xE2\x82", false},
      {"\xC3\x28", false},  // no continuation byte
      {"\x80", false},      // continuation byte alone
      {"\xC0\xAF", false},  // overlong
      {"\xE0\x80\xAF", false},
      {"\xED\xA0\x80", false},      // surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xF8\x88\x80\x80\x80", false},
  };
  for (const auto& [bytes, valid] : cases) {
    EXPECT_EQ(IsValidUtf8(bytes), valid) << bytes;
    EXPECT_EQ(DetectEncoding(bytes), valid ? TTextEncoding::Utf8 : TTextEncoding::Windows1252);
  }
  EXPECT_TRUE(StartsWithUtf8Bom("\xEF\xBB\xBFx"));
  EXPECT_FALSE(StartsWithUtf8Bom("\xEF\xBB"));
}

TEST(TextCodec, Windows1252BothWays) {
  // Every byte is a character and comes back as the same byte.
  for (int byte = 0; byte < 256; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    const std::string utf8 = Windows1252ToUtf8(one);
    EXPECT_TRUE(IsValidUtf8(utf8)) << byte;
    EXPECT_EQ(Utf8ToWindows1252(utf8), one) << byte;
  }
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"Pr\xC3\xBC"
       "fung",
       "Pr\xFC"
       "fung"},
      {"\xE2\x82\xAC 5", "\x80 5"},                // euro sign
      {"\xE2\x80\x9Cx\xE2\x80\x9D", "\x93x\x94"},  // quotation marks
      {"\xC2\x81", "\x81"},                        // undefined byte, its control character
      {"\xC2\x80", std::nullopt},                  // U+0080: 0x80 is the euro sign
      {"\xCE\xA9", std::nullopt},                  // Greek omega
      {"\xE2\x82\xAC\xF0\x9F\x98\x80", std::nullopt},
      {"\xFC", std::nullopt},  // not UTF-8 at all
      // Every character the code page defines in 80..9F.
      {"€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ",
       "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E"
       "\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F"},
  };
  for (const auto& [utf8, bytes] : cases) {
    EXPECT_EQ(Utf8ToWindows1252(utf8), bytes) << utf8;
    if (bytes) EXPECT_EQ(Windows1252ToUtf8(*bytes), utf8);
  }
  EXPECT_EQ(Windows1252ToUtf8("\xC4\x80\x9F"), "\xC3\x84\xE2\x82\xAC\xC5\xB8");
  EXPECT_EQ(CharToWindows1252(U'\u0178'), 0x9F);
  EXPECT_EQ(Windows1252ToChar(0x8D), U'\u008D');
}

TEST(MessageExcerpt, AtMost200CharactersThenAnEllipsis) {
  const std::string ellipsis = "\u2026";
  const std::string umlaut = "\xC3\xA4";
  std::string umlauts200;
  for (int i = 0; i < 200; ++i) umlauts200 += umlaut;
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {std::string(200, 'x'), std::string(200, 'x')},
      {std::string(201, 'x'), std::string(200, 'x') + ellipsis},
      {umlauts200 + umlaut, umlauts200 + ellipsis},       // characters, not bytes
      {std::string(300, '\xE4'), umlauts200 + ellipsis},  // Windows-1252 shown as such
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(MessageExcerpt(text), shown);
}

}  // namespace
