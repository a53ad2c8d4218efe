#include "ConfigFile.h"

#include <filesystem>
#include <optional>
#include <string_view>

#include "FileStore.h"
#include "VNErrors.h"

namespace {

constexpr std::string_view kStartMarker = ">ChT<";
constexpr std::string_view kEndMarker = ">EOT<";

namespace fs = std::filesystem;


bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

TStrings SplitTextLines(std::string_view bytes) {
  const std::size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  TStrings lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(bytes.substr(start));  // the last line needs no end
      break;
    }
    lines.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
    if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') ++start;
  }
  return lines;
}

TStrings ReadTextLines(const std::string& path, TTextEncoding& encoding) {
  return SplitFileText(ReadFileBytes(path, kMaxConfigFileSize), encoding);
}

TStrings SplitFileText(std::string_view bytes, TTextEncoding& encoding) {
  std::string_view text = bytes;
  // Some Windows editors start a UTF-8 file with a byte-order mark; it is
  // no part of the first line and is not written back.
  if (StartsWithUtf8Bom(text)) text.remove_prefix(kUtf8Bom.size());
  text = text.substr(0, text.find('\0'));  // as SplitTextLines reads it
  encoding = DetectEncoding(text);
  return SplitTextLines(text);
}

void WriteTextLinesAtomic(const std::string& path, const TStrings& lines) {
  std::string bytes;
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  bytes.reserve(size);
  for (const std::string& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  ReplaceFileContent(path, bytes);
}

void LoadConfigFile(const std::string& path, TConfigInfo& config, TStrings& fileLines,
                    TStrings& channelLines, TTextEncoding& encoding) {
  // Nothing there (a dangling link included) is a missing file and the
  // defaults stay. Anything else that is not a regular file (a folder, a pipe,
  // a device) is refused now, naming the path: saving would refuse it anyway,
  // and the user would lose every entry made in the dialog. A file that may
  // exist but cannot be looked at is an error too.
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory)
    RaiseFileError("open", path, ec.value());
  if (status.type() == fs::file_type::not_found) return;

  fileLines = ReadTextLines(path, encoding);
  ReadConfigLines(path, fileLines, config, channelLines);
}

std::optional<std::size_t> FindChannelBlockStart(const TStrings& fileLines) {
  for (std::size_t line = 0; line < fileLines.size(); ++line)
    if (EqualsIgnoringCase(fileLines[line], kStartMarker)) return line;
  return std::nullopt;
}

void ReadConfigLines(const std::string& fileName, const TStrings& fileLines, TConfigInfo& config,
                     TStrings& channelLines) {
  // The settings keys are looked up in the whole file, channel block included.
  config.LoadFromList(fileLines);

  const std::optional<std::size_t> blockStart = FindChannelBlockStart(fileLines);
  if (!blockStart) return;  // no channel block
  const std::size_t start = *blockStart;

  std::size_t end = start + 1;
  while (end < fileLines.size() && fileLines[end] != kEndMarker) ++end;
  if (end == fileLines.size()) {
    throw EListError("List index out of bounds (" + std::to_string(end) +
                     "): the channel block of \"" + fileName + "\" starting in line " +
                     std::to_string(start + 1) + " has no end marker \">EOT<\"");
  }
  channelLines.insert(channelLines.end(),
                      fileLines.begin() + static_cast<std::ptrdiff_t>(start + 1),
                      fileLines.begin() + static_cast<std::ptrdiff_t>(end));
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
