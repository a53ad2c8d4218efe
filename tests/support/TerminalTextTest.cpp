// Text for the terminal: what a PLC or a file sends is shown, never acted on.
#include <gtest/gtest.h>

#include "support/TextCodec.h"

namespace {

TEST(TerminalTextTest, ControlCharactersAndInvalidBytesAreShownEscaped) {
  const struct {
    const char* why;
    std::string text;
    bool keepLineBreaks;
    std::string shown;
  } rows[] = {
      {"printable ASCII", "CPU 315-2 PN/DP", false, "CPU 315-2 PN/DP"},
      {"UTF-8 text",
       "Pr\xC3\xBC"
       "fung \xE2\x82\xAC",
       false,
       "Pr\xC3\xBC"
       "fung \xE2\x82\xAC"},
      {"a made-up second line", "line1\nFAKE  Rack=9 Slot=9", false, "line1\\nFAKE  Rack=9 Slot=9"},
      {"tab and carriage return", "a\tb\rc", false, "a\\tb\\rc"},
      {"colours", "\x1B[31mred", false, "\\x1B[31mred"},
      {"the window title", "\x1B]0;owned\x07", false, "\\x1B]0;owned\\x07"},
      {"bell, backspace, DEL", "\x07\x08\x7F", false, "\\x07\\x08\\x7F"},
      {"C1 control (CSI)",
       "\xC2\x9B"
       "2J",
       false, "\\xC2\\x9B2J"},
      {"line separator",
       "a\xE2\x80\xA8"
       "b",
       false, "a\\xE2\\x80\\xA8b"},
      {"invalid byte", "\xFF", false, "\\xFF"},
      {"cut-off sequence", "\xE2\x82", false, "\\xE2\\x82"},
      {"overlong form", "\xC0\xAF", false, "\\xC0\\xAF"},
      {"surrogate", "\xED\xA0\x80", false, "\\xED\\xA0\\x80"},
      {"a message keeps its line breaks", "first\nsecond\x1B", true, "first\nsecond\\x1B"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(TerminalText(row.text, row.keepLineBreaks), row.shown) << row.why;
}

}  // namespace
