#include "config/ConfigFile.h"

#include <functional>
#include <optional>
#include <string_view>

#include "config/ChannelTreeModel.h"
#include "config/FileStore.h"
#include "config/TextLines.h"
#include "support/VNErrors.h"

namespace {

constexpr std::string_view kStartMarker = ">ChT<";
constexpr std::string_view kEndMarker = ">EOT<";

// A NUL byte that ended the text early is named too: it is what hid the
// end marker.
[[noreturn]] void RaiseNoEndMarker(const std::string& fileName, std::string_view bytes,
                                   std::size_t start, std::size_t lineCount) {
  std::string message = "List index out of bounds (" + std::to_string(lineCount) +
                        "): the channel block of \"" + fileName + "\" starting in line " +
                        std::to_string(start + 1) + " has no end marker \">EOT<\"";
  if (const auto cut = TextCutOf(bytes)) {
    const TConfigReading reading{{}, cut};
    message += "\n" + FindingsText(fileName, ReadFindings(reading, TTextEncoding::Utf8));
  }
  throw EListError(message);
}

// The text of a file's bytes: without a UTF-8 byte-order mark (some Windows
// editors start a file with one; it is no part of the first line and is not
// written back), up to a NUL byte.
std::string_view FileText(std::string_view bytes) {
  if (StartsWithUtf8Bom(bytes)) bytes.remove_prefix(kUtf8Bom.size());
  return bytes.substr(0, bytes.find('\0'));
}

// Where the channel block lies in a file's text: the start marker's line,
// the line of the end marker and the byte range of the lines between.
struct TBlockPlace {
  std::optional<std::size_t> StartLine;
  std::size_t EndLine = 0;
  std::size_t Begin = 0;
  std::size_t End = 0;
};

// One pass over line views reads the settings (only lines holding "=" can
// carry one; keys are looked up in the whole file, block included) and finds
// the block. settingLines receives the lines the settings were read from.
// A start marker without end marker raises EListError naming fileName,
// after the settings were read.
TBlockPlace ReadSettingsAndFindBlock(const std::string& fileName, std::string_view bytes,
                                     std::string_view text, TConfigInfo& config,
                                     TSettingLines& settingLines) {
  TBlockPlace place;
  std::size_t lines = 0;
  bool ended = false;
  ForEachTextLine(text, [&](std::size_t start, std::size_t size) {
    const std::string_view line = text.substr(start, size);
    if (line.find('=') != std::string_view::npos) settingLines.Add(line, lines + 1);
    if (!place.StartLine) {
      if (EqualsIgnoringCase(line, kStartMarker)) place.StartLine = lines;
    } else if (!ended) {
      if (lines == *place.StartLine + 1) place.Begin = start;
      if (line == kEndMarker) {
        ended = true;
        place.EndLine = lines;
        place.End = start;
      }
    }
    ++lines;
  });
  config.LoadFromList(settingLines.Lines);
  if (place.StartLine && !ended) RaiseNoEndMarker(fileName, bytes, *place.StartLine, lines);
  return place;
}

}  // namespace

TStrings SplitTextLines(std::string_view bytes) {
  bytes = bytes.substr(0, bytes.find('\0'));
  TStrings lines;
  ForEachTextLine(bytes, [&](std::size_t start, std::size_t size) {
    lines.emplace_back(bytes.substr(start, size));
  });
  return lines;
}

TStrings ReadTextLines(const std::string& path, TTextEncoding& encoding) {
  return SplitFileText(ReadFileBytes(path, kMaxConfigFileSize), encoding);
}

TStrings SplitFileText(std::string_view bytes, TTextEncoding& encoding) {
  const std::string_view text = FileText(bytes);
  encoding = DetectEncoding(text);
  return SplitTextLines(text);
}

std::string TextFileBytes(const TStrings& lines) {
  std::string bytes;
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  bytes.reserve(size);
  for (const std::string& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  return bytes;
}

std::size_t WriteTextLinesAtomic(const std::string& path, const TStrings& lines) {
  const std::string bytes = TextFileBytes(lines);
  ReplaceFileContent(path, bytes);
  return ConfigFileDigest(bytes);
}

void LoadConfigFile(const std::string& path, TConfigInfo& config, TStrings& fileLines,
                    TStrings& channelLines, TTextEncoding& encoding) {
  // Nothing there (a dangling link included) is a missing file and the
  // defaults stay. Anything else that is not a regular file (a folder, a pipe,
  // a device) is refused now, naming the path: saving would refuse it anyway,
  // and the user would lose every entry made in the dialog. A file that may
  // exist but cannot be looked at is an error too.
  const auto bytes = ReadFileIfThere(path, kMaxConfigFileSize);
  if (!bytes) return;
  fileLines = SplitFileText(*bytes, encoding);
  ReadConfigText(path, *bytes, config, channelLines);
}

void ReadConfigText(const std::string& fileName, std::string_view bytes, TConfigInfo& config,
                    TStrings& channelLines) {
  const std::string_view text = FileText(bytes);
  TSettingLines settingLines;
  const TBlockPlace place = ReadSettingsAndFindBlock(fileName, bytes, text, config, settingLines);
  if (!place.StartLine) return;
  const TStrings block = SplitTextLines(text.substr(place.Begin, place.End - place.Begin));
  channelLines.insert(channelLines.end(), block.begin(), block.end());
}

void BuildConfigFileLines(const TConfigInfo& config, const TStrings& channelLines,
                          TStrings& fileLines) {
  fileLines.clear();
  fileLines.reserve(14 + channelLines.size() + 3);
  config.SaveToList(fileLines);
  fileLines.emplace_back(kStartMarker);
  fileLines.insert(fileLines.end(), channelLines.begin(), channelLines.end());
  fileLines.emplace_back();
  fileLines.emplace_back(kEndMarker);
}

std::size_t ConfigFileDigest(std::string_view bytes) {
  // The size is mixed in so that equal hashes of different lengths differ.
  return std::hash<std::string_view>{}(bytes) ^ (bytes.size() * 0x9E3779B97F4A7C15ull);
}

void LoadConfigFile(const std::string& path, TConfigInfo& config, TChannelTreeModel& channels,
                    std::optional<std::size_t>& blockStart, TTextEncoding& encoding) {
  auto bytes = ReadFileIfThere(path, kMaxConfigFileSize);
  if (!bytes) return;
  LoadConfigBytes(path, std::move(*bytes), config, channels, blockStart, encoding);
}

void LoadConfigBytes(const std::string& path, std::string bytes, TConfigInfo& config,
                     TChannelTreeModel& channels, std::optional<std::size_t>& blockStart,
                     TTextEncoding& encoding, TConfigReading* reading) {
  const std::string_view text = FileText(bytes);
  encoding = DetectEncoding(text);
  TConfigReading found;
  found.Cut = TextCutOf(bytes);
  // The block is cut out of the bytes, which then become the tree's buffer:
  // a million lines never exist as strings of their own.
  const TBlockPlace place = ReadSettingsAndFindBlock(path, bytes, text, config, found.Settings);
  if (reading) *reading = std::move(found);
  if (!place.StartLine) return;
  blockStart = place.StartLine;
  const auto offset = static_cast<std::size_t>(text.data() - bytes.data());
  bytes.resize(offset + place.End);
  bytes.erase(0, offset + place.Begin);
  channels = TChannelTreeModel::FromBytes(std::move(bytes));
}
