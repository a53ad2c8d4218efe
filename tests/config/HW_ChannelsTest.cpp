#include <gtest/gtest.h>

#include "config/ChannelEntryCheck.h"
#include "config/HW_Channels.h"
#include "support/VNErrors.h"

namespace {

// The channel block of the example configuration file: four leaves.
const TStrings kExampleTree{"SPS", "\tE", "\t\t0", "\t\t1",  "\tA",     "\t\t4", "\tM",
                            "\tT", "\tZ", "\tDB",  "\t\t10", "\t\t\t2", ""};

struct FlattenCase {
  const char* Why;
  TStrings Lines;
  TStrings Paths;
};

TEST(FlattenChannelTree, YieldsThePathsOfChannelLeaves) {
  const FlattenCase cases[] = {
      {"empty text", {}, {}},
      {"root and areas only", {"SPS", "\tE", "\tA", "\tM", "\tT", "\tZ", "\tDB"}, {}},
      {"data block without addresses", {"SPS", "\tDB", "\t\t10"}, {}},
      {"example file", kExampleTree, {"SPS;E;0", "SPS;E;1", "SPS;A;4", "SPS;DB;10;2"}},
      {"level 3 below another area", {"SPS", "\tE", "\t\t0", "\t\t\t5"}, {"SPS;E;0;5"}},
      {"small db: level 2 gives nothing, level 3 does",
       {"SPS", "\tdb", "\t\t7", "\t\t10", "\t\t\t2"},
       {"SPS;db;10;2"}},
      {"level 4 and deeper check their parent for a D",
       {"SPS", "\tDB", "\t\t10", "\t\t\t2", "\t\t\t\t9", "\t\t\tDx", "\t\t\t\t8"},
       {"SPS;DB;10;2;9"}},
      {"the first line is top level whatever its indentation",
       {"\t\tSPS", "\tE", "\t\t3"},
       {"SPS;E;3"}},
      {"blanks and TABs each count one level",
       {"SPS", " E", "\t 3", " \t4"},
       {"SPS;E;3", "SPS;E;4"}},
      {"trailing blanks belong to the text", {"SPS", "\tE", "\t\t3  "}, {"SPS;E;3  "}},
      {"going up several levels",
       {"SPS", "\tE", "\t\t1", "\tA", "\t\t2", "SPS2", "\tM", "\t\t3", "\tDB", "\t\t5", "\t\t\t6",
        "\tT", "\t\t7"},
       {"SPS;E;1", "SPS;A;2", "SPS2;M;3", "SPS2;DB;5;6", "SPS2;T;7"}},
      {"an empty line is a top-level node", {"SPS", "\tE", "", "\tA", "\t\t4"}, {";A;4"}},
  };
  for (const FlattenCase& c : cases) EXPECT_EQ(FlattenChannelTree(c.Lines), c.Paths) << c.Why;
}

TEST(FlattenChannelTree, AJumpOfMoreThanOneLevelIsATreeError) {
  const std::pair<TStrings, std::string> cases[] = {
      {{"SPS", "\t\t\tE"}, "Ungültige Ebene (3) für Eintrag \"E\""},
      {{"SPS", "\tE", "\t\t1", "\t\t\t\t\t9 "}, "Ungültige Ebene (5) für Eintrag \"9 \""},
      {{"SPS", "", "\t\tx"}, "Ungültige Ebene (2) für Eintrag \"x\""},
      // A huge line is quoted by its start only.
      {{"SPS", "\t\t" + std::string(10'000'000, 'x')},
       "Ungültige Ebene (2) für Eintrag \"" + std::string(200, 'x') + "\u2026\""},
  };
  for (const auto& [lines, text] : cases) {
    try {
      FlattenChannelTree(lines);
      ADD_FAILURE() << text;
    } catch (const ETreeLevelError& e) {
      EXPECT_EQ(e.what(), text);
    }
  }
}

TEST(FlattenChannelTree, ThousandsOfLevelsDoNotExhaustTheStack) {
  constexpr int kDepth = 3000;
  TStrings lines;
  for (int level = 0; level < kDepth; ++level)
    lines.push_back(std::string(static_cast<std::size_t>(level), '\t') + "n");
  const TStrings paths = FlattenChannelTree(lines);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(paths[0].size(), 2u * kDepth - 1);
}

TEST(FlattenChannelTree, HugeTextsAboveManyLeavesAreRefusedNotMultiplied) {
  // 100 KB of root text times 2,000 leaves would be 200 MB of paths.
  TStrings lines{std::string(100000, 'S'), "\tE"};
  for (int i = 0; i < 2000; ++i) lines.push_back("\t\t" + std::to_string(i));
  try {
    FlattenChannelTree(lines);
    FAIL() << "no error";
  } catch (const EVNError& e) {
    EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
    EXPECT_LT(std::string(e.what()).size(), 300u);
  }
  // The same texts above a few leaves are fine.
  lines.resize(12);
  EXPECT_EQ(FlattenChannelTree(lines).size(), 10u);
}

struct ChannelView {
  std::string Name;
  char Area;
  int Kind;
  int GroupIndex;
  int DBNumber;
  int Address;
  int LineIndex;
  int TypeByte1;
  bool TimerCounter;
  bool operator==(const ChannelView&) const = default;
};

std::ostream& operator<<(std::ostream& os, const ChannelView& v) {
  return os << v.Name << " area=" << int(v.Area) << " kind=" << v.Kind << " group=" << v.GroupIndex
            << " db=" << v.DBNumber << " addr=" << v.Address << " line=" << v.LineIndex
            << " type=" << v.TypeByte1 << " tc=" << v.TimerCounter;
}

std::vector<ChannelView> View(const TLstChannels& list) {
  std::vector<ChannelView> views;
  for (int i = 0; i < list.Count(); ++i) {
    const TChannel& c = *list.Channel(i);
    views.push_back({c.Name, c.Area, c.Kind, c.GroupIndex, c.DBNumber, c.Address, c.LineIndex,
                     c.TypeCode[1], c.TimerCounter});
  }
  return views;
}

TEST(ParseChannelText, ExampleTreeGivesFourChannels) {
  TLstChannels list;
  list.ParseChannelText(kExampleTree);
  const std::vector<ChannelView> expected{
      {"SPS; E; 0", 'E', 3, 0, 1, 0, 0, 1, false},
      {"SPS; E; 1", 'E', 3, 1, 1, 1, 1, 1, false},
      {"SPS; A; 4", 'A', 3, 2, 1, 4, 2, 1, false},
      {"SPS; DB; 10; 2", 'D', 3, 3, 10, 2, 3, 1, false},
  };
  EXPECT_EQ(View(list), expected);
  for (int i = 0; i < list.Count(); ++i) {
    const TChannel& c = *list.Channel(i);
    EXPECT_TRUE(c.IsFree);
    EXPECT_EQ(c.FormatMark, 'x');
    EXPECT_EQ(c.TypeCode[0] + c.TypeCode[2] + c.TypeCode[3], 0);
  }
}

TEST(ParseChannelText, FieldRulesPerArea) {
  const std::string longZeros(250, '0');
  TLstChannels list;
  list.ParseChannelText({"SPS", "\tT", "\t\t7",  // 0
                         "\tE", "\t\t12a",       // 1: rejected, uses up group index 0
                         "\t\t0x10",             // 2
                         "\t\t300<-- ungültig; nur innerhalb [0..255]",  // 3: rejected
                         "\tZ", "\t\t3",                                 // 4
                         "\tX", "\t\t5",                                 // 5: unknown area letter
                         "\tM", "\t\t" + longZeros + "5",  // 6: longer than the buffer
                         "\tdb", "\t\t20", "\t\t\t4",      // 7: small db
                         "\tDB", "\t\t0", "\t\t\t-1"});    // 8
  const std::vector<ChannelView> expected{
      {"SPS; T; 7", 'T', 1, 0, 1, 7, 0, 9, true},
      {"SPS; E; 0x10", 'E', 3, 1, 1, 16, 2, 1, false},
      {"SPS; Z; 3", 'Z', 1, 1, 1, 3, 4, 5, true},
      {"SPS; X; 5", 'X', 0, 0, 1, 5, 5, 0, false},
      {"SPS; db; 20; 4", 'd', 0, 0, 1, 20, 7, 0, false},
      {"SPS; DB; 0; -1", 'D', 3, 4, 0, -1, 8, 1, false},
  };
  EXPECT_EQ(View(list), expected);
}

TEST(ParseChannelText, GroupCountersStartAfreshInEveryParse) {
  const TStrings lines{"SPS", "\tE", "\t\t1", "\tT", "\t\t2"};
  TLstChannels first;
  first.ParseChannelText(lines);
  TLstChannels second;
  second.ParseChannelText(lines);
  EXPECT_EQ(View(first), View(second));
  EXPECT_EQ(GroupCounters[0], 0);
  EXPECT_EQ(GroupCounters[2], 0);
  EXPECT_EQ(GroupCounters[1], -1);
}

TEST(ParseChannelText, TreeErrorAddsNoChannel) {
  TLstChannels list;
  list.ParseChannelText({"SPS", "\tE", "\t\t1"});
  EXPECT_THROW(list.ParseChannelText({"SPS", "\tE", "\t\t2", "\t\t\t\t3"}), ETreeLevelError);
  EXPECT_EQ(list.Count(), 1);
}

struct FailCase {
  const char* Why;
  TStrings Lines;
  const char* ErrorKind;
  const char* TextPart;
  int ChannelsKept;
};

TEST(ParseChannelText, DataBlockAndFieldErrorsStopTheParse) {
  const std::string longNumber(250, '0');
  const FailCase cases[] = {
      {"data block 256",
       {"SPS", "\tE", "\t\t1", "\tDB", "\t\t256", "\t\t\t2", "\t\t7", "\t\t\t1"},
       "ERangeError",
       "256",
       1},
      {"data block -1", {"SPS", "\tDB", "\t\t-1", "\t\t\t2"}, "ERangeError", "-1", 0},
      {"data block with the editor's marker",
       {"SPS", "\tDB", "\t\t300<-- ungültig; nur innerhalb [1..255]", "\t\t\t2"},
       "EConvertError",
       "300<-- ungültig",
       0},
      {"data block number longer than the buffer",
       {"SPS", "\tDB", "\t\t" + longNumber + "1", "\t\t\t2"},
       "EConvertError",
       "00000",
       0},
      {"empty area text: too few fields",
       {"SPS", "\tE", "\t\t1", "\t", "\t\t5"},
       "EListError",
       "channel line \"SPS;;5\" has too few fields",
       1},
      {"empty data block: too few fields",
       {"SPS", "\tDB", "\t\t", "\t\t\t2"},
       "EListError",
       "List index out of bounds (3)",
       0},
  };
  for (const FailCase& c : cases) {
    TLstChannels list;
    try {
      list.ParseChannelText(c.Lines);
      ADD_FAILURE() << c.Why;
    } catch (const EVNError& e) {
      EXPECT_EQ(ErrorClassName(e.Kind()), c.ErrorKind) << c.Why;
      EXPECT_NE(std::string(e.what()).find(c.TextPart), std::string::npos)
          << c.Why << ": " << e.what();
    }
    EXPECT_EQ(list.Count(), c.ChannelsKept) << c.Why;
  }
}

TEST(FindChannel, MatchesTheTrimmedFieldsOfThePath) {
  TLstChannels list;
  list.ParseChannelText({"SPS", "\tE", "\t\t5", "\t\t5", "\tDB", "\t\t10", "\t\t\t4"});
  ASSERT_EQ(list.Count(), 3);
  const std::pair<const char*, const TChannel*> cases[] = {
      {"SPS;E;5", list.Channel(0)},  // the first of two with the same name
      {"SPS; E ;5", list.Channel(0)},
      {" SPS;DB;10;4;", list.Channel(2)},
      {"E5", nullptr},
      {"SPS;E;6", nullptr},
      {"sps;e;5", nullptr},
      {"SPS;DB;10", nullptr},
      // Only blanks between the separators: no channel (a lookup, not an error).
      {" ; ;", nullptr},
  };
  for (const auto& [path, channel] : cases) EXPECT_EQ(list.FindChannel(path), channel) << path;
}

// The name index must give what a scan in list order gives, whatever left the list.
TEST(FindChannel, StaysFirstMatchWhenChannelsLeaveAndJoin) {
  TLstChannels list;
  list.ParseChannelText({"SPS", "\tE", "\t\t5", "\t\t6", "\t\t5", "\t\t5"});
  TChannel* first = list.Channel(0);
  TChannel* third = list.Channel(2);
  ASSERT_EQ(list.FindChannel("SPS;E;5"), first);
  list.FreeItem(first);
  EXPECT_EQ(list.FindChannel("SPS;E;5"), third);
  list.FreeAt(0);  // "SPS; E; 6"
  EXPECT_EQ(list.FindChannel("SPS;E;6"), nullptr);
  EXPECT_EQ(list.FindChannel("SPS;E;5"), third);

  auto extracted = list.Extract();
  EXPECT_EQ(list.FindChannel("SPS;E;5"), nullptr);
  ASSERT_EQ(extracted.size(), 2u);

  auto late = std::make_unique<TChannel>();
  late->Name = "SPS; E; 5";
  TChannel* lateRaw = late.get();
  list.AddChannel(std::move(late));
  list.AddChannel(std::move(extracted[0]));  // same name, joins behind
  EXPECT_EQ(list.FindChannel("SPS;E;5"), lateRaw);
  list.FreeAll();
  EXPECT_EQ(list.FindChannel("SPS;E;5"), nullptr);
}

// Many channels, many twins, removals in a scattered order: after every
// step each name must give the channel a scan in list order gives.
TEST(FindChannel, AgreesWithAScanThroughManyRemovals) {
  TLstChannels list;
  TStrings lines{"SPS", "\tE"};
  for (int i = 0; i < 600; ++i) lines.push_back("\t\t" + std::to_string(i % 250));
  list.ParseChannelText(lines);
  auto scan = [&](const std::string& name) -> TChannel* {
    for (int i = 0; i < list.Count(); ++i)
      if (list.Channel(i)->Name == name) return list.Channel(i);
    return nullptr;
  };
  auto agree = [&] {
    for (int address = 0; address < 250; ++address) {
      const std::string name = "SPS; E; " + std::to_string(address);
      if (list.FindChannel("SPS;E;" + std::to_string(address)) != scan(name)) return false;
    }
    return true;
  };
  ASSERT_TRUE(agree());
  unsigned seed = 12345;
  while (list.Count() > 0) {
    seed = seed * 1103515245u + 12345u;
    list.FreeAt(static_cast<int>((seed >> 8) % static_cast<unsigned>(list.Count())));
    if (list.Count() % 7 == 0) ASSERT_TRUE(agree()) << list.Count() << " left";
  }
}

TEST(TakeStateFrom, CopiesTheRunTimeStateToTheFirstChannelOfTheSameName) {
  TLstChannels older;
  older.ParseChannelText({"SPS", "\tE", "\t\t1", "\t\t2", "\t\t3", "\t\t3"});
  TChannel& used = *older.Channel(0);
  used.StateWord = 11;
  used.StateValue1 = 1.5L;
  used.StateValue2 = -2.5L;
  used.TypeCode = {1, 2, 3, 4};
  used.IsFree = false;
  used.StateWord2 = 22;
  used.ActiveMark = 33;
  used.TimerCounter = true;
  older.Channel(1)->ActiveMark = 44;  // "SPS; E; 2" has no partner in the newer list
  // Each older channel goes to the first match, so the later twin lands on
  // the same channel and wins.
  older.Channel(3)->StateWord = 99;

  TLstChannels newer;
  newer.ParseChannelText({"SPS", "\tA", "\t\t7", "\tE", "\t\t3", "\t\t1", "\t\t3"});
  newer.TakeStateFrom(older);

  const TChannel& taken = *newer.Channel(2);
  EXPECT_EQ(taken.StateWord, 11u);
  EXPECT_EQ(taken.StateValue1, 1.5L);
  EXPECT_EQ(taken.StateValue2, -2.5L);
  EXPECT_EQ(taken.TypeCode, (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
  EXPECT_FALSE(taken.IsFree);
  EXPECT_EQ(taken.StateWord2, 22u);
  EXPECT_EQ(taken.ActiveMark, 33u);
  EXPECT_TRUE(taken.TimerCounter);
  EXPECT_EQ(taken.LineIndex, 2);  // parse values outside the state stay
  EXPECT_EQ(taken.GroupIndex, 2);

  EXPECT_EQ(newer.Channel(1)->StateWord, 99u);
  EXPECT_EQ(newer.Channel(3)->StateWord, 0u);
  EXPECT_EQ(newer.Channel(0)->ActiveMark, 0u);
}

TEST(Groups, UsedActiveChannelsGoIntoTheFirstGroupOfTheirKind) {
  TLstChannels list;
  list.ParseChannelText({"SPS", "\tE", "\t\t1", "\t\t2", "\t\t3", "\tT", "\t\t4"});
  auto mark = [&](int i, bool isFree, std::uint32_t active) {
    list.Channel(i)->IsFree = isFree;
    list.Channel(i)->ActiveMark = active;
  };
  mark(0, false, 1);
  mark(1, true, 1);   // free: not in a group
  mark(2, false, 0);  // not active: not in a group
  mark(3, false, 5);

  list.BuildGroups();
  ASSERT_TRUE(list.HasGroups());
  EXPECT_EQ(*list.AreaGroups[0], (TChannelGroup{list.Channel(0)}));
  EXPECT_EQ(*list.TimerCounterGroups[0], (TChannelGroup{list.Channel(3)}));
  for (std::size_t g = 1; g < 16; ++g) {
    ASSERT_TRUE(list.AreaGroups[g] && list.TimerCounterGroups[g]);
    EXPECT_TRUE(list.AreaGroups[g]->empty() && list.TimerCounterGroups[g]->empty());
  }

  // A channel that leaves the list leaves its group too: no dangling entry.
  list.FreeAt(0);
  EXPECT_TRUE(list.AreaGroups[0]->empty());

  list.ReleaseGroups();
  EXPECT_FALSE(list.HasGroups());
  EXPECT_FALSE(list.AreaGroups[0]);
  EXPECT_EQ(list.Count(), 3);  // releasing groups destroys no channel
}

// The entries the tree editor would mark, with the marker it would append:
// line index, clean entry and marker, in line order.
TEST(CheckChannelLines, MarksWhatTheTreeEditorMarks) {
  const TStrings lines{"SPS",
                       "\tE",
                       "\t\t0",
                       "\t\t255",
                       "\t\t256",            // address above its range
                       "\t\t$1F",            // hexadecimal, accepted
                       "\t\tabc",            // no number, upper case in the report
                       "\t\t7<-- ungültig",  // an earlier marker goes, the entry is fine
                       "\t\t-1",
                       "\tDB",
                       "\t\t0",  // data block numbers start at 1
                       "\t\t\t4090",
                       "\t\t\t 3",  // a blank counts one more level: still an offset
                       "\t\t255",
                       "\t\t\t4091",  // offset above its range
                       "\t\t12 ",     // trailing blank: no number
                       "\tM",
                       "  300",  // blanks count as levels too
                       ""};
  const auto refused = CheckChannelLines(lines);
  struct Expected {
    std::size_t Index;
    const char* Entry;
    const char* Marker;
  };
  const Expected expected[] = {
      {4, "256", "<-- ungültig; nur innerhalb [0..255]"},
      {6, "ABC", "<-- ungültig"},
      {8, "-1", "<-- ungültig; nur innerhalb [0..255]"},
      {10, "0", "<-- ungültig; nur innerhalb [1..255]"},
      {14, "4091", "<-- ungültig; nur innerhalb [0..4090]"},
      {15, "12 ", "<-- ungültig"},
      {17, "300", "<-- ungültig; nur innerhalb [0..255]"},
  };
  ASSERT_EQ(refused.size(), std::size(expected));
  for (std::size_t i = 0; i < refused.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(refused[i].Index, expected[i].Index);
    EXPECT_EQ(refused[i].Entry, expected[i].Entry);
    EXPECT_EQ(refused[i].Marker, expected[i].Marker);
  }
  EXPECT_TRUE(CheckChannelLines(kExampleTree).empty());
}

}  // namespace
