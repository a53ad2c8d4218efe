#pragma once
// The driver configuration file: settings lines, then the channel block
// between ">ChT<" and ">EOT<". Bytes are read and written unchanged.
#include <string>
#include <string_view>

#include "HW_ConfigInfo.h"
#include "VNUtils.h"

// Cuts bytes into lines: a line ends at CR LF, lone CR or lone LF; a NUL byte
// ends the text; a last line without line end counts.
TStrings SplitTextLines(std::string_view bytes);

// Lines of a text file: a line ends at CR LF, lone CR or lone LF; a NUL byte
// ends the text; a last line without line end counts. EFileError names the
// file when it exists but cannot be read.
TStrings ReadTextLines(const std::string& path);

// Writes every line followed by CR LF, replacing the file atomically (a
// temporary file in the same folder, flushed, renamed over the old one). On
// failure the old file stays as it was and EFileError names the file; a
// file that may not be written (read-only) is a failure as well.
void WriteTextLinesAtomic(const std::string& path, const TStrings& lines);

// When path is an existing regular file: fileLines := its lines, the
// settings are read from them, and the channel block's lines are appended to
// channelLines. Otherwise nothing changes. A start marker without end marker
// raises EListError naming the file and ">EOT<"; an unreadable file raises
// EFileError naming it.
void LoadConfigFile(const std::string& path, TConfigInfo& config, TStrings& fileLines,
                    TStrings& channelLines);

// The part of LoadConfigFile after reading: settings from fileLines, then the
// channel block appended to channelLines. fileName only goes into messages.
void ReadConfigLines(const std::string& fileName, const TStrings& fileLines, TConfigInfo& config,
                     TStrings& channelLines);

// fileLines := the fourteen settings lines, ">ChT<", channelLines, an empty
// line, ">EOT<".
void BuildConfigFileLines(const TConfigInfo& config, const TStrings& channelLines,
                          TStrings& fileLines);
