#pragma once
// The driver configuration file: settings lines, then the channel block
// between ">ChT<" and ">EOT<". Bytes are read and written unchanged.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "config/ConfigReading.h"
#include "config/HW_ConfigInfo.h"
#include "support/TextCodec.h"
#include "support/VNUtils.h"

class TChannelTreeModel;

// Cuts bytes into lines: a line ends at CR LF, lone CR or lone LF; a NUL byte
// ends the text; a last line without line end counts.
TStrings SplitTextLines(std::string_view bytes);

// The lines of a file's bytes: a UTF-8 byte-order mark at the start is
// skipped, then as SplitTextLines. encoding := UTF-8 when the text (up to a
// NUL) is valid UTF-8, else Windows-1252; the lines keep their bytes.
TStrings SplitFileText(std::string_view bytes, TTextEncoding& encoding);

// SplitFileText of a text file's bytes. EFileError names the
// file when it exists but cannot be read, or holds more than
// kMaxConfigFileSize bytes (FileStore.h).
TStrings ReadTextLines(const std::string& path, TTextEncoding& encoding);

// Every line followed by CR LF: the bytes of a text file as the program
// writes it.
std::string TextFileBytes(const TStrings& lines);

// Writes every line followed by CR LF as the file's new content. The file
// keeps its identity (owner, group, permission bits without set-user-ID and
// set-group-ID, hard and symbolic links); where it can, it is replaced
// atomically by a renamed temporary file, else written in place (see
// ReplaceFileContent in FileStore.h). On failure EFileError names the file;
// a read-only file, or a path that is or links to anything but a regular
// file, is a failure with nothing changed. Returns the ConfigFileDigest of
// the bytes written, so that a writer knows its file without reading it back.
std::size_t WriteTextLinesAtomic(const std::string& path, const TStrings& lines);

// When path is an existing regular file: fileLines := its lines, encoding :=
// the encoding its bytes are in (ReadTextLines), the settings are read from
// them, and the channel block's lines are appended to channelLines. When
// nothing is there (or a link dangles) nothing changes. A start marker
// without end marker raises EListError naming the file and ">EOT<"; an
// unreadable file, or a path that is or links to anything but a regular file
// (a folder, a pipe, a device), raises EFileError naming it.
void LoadConfigFile(const std::string& path, TConfigInfo& config, TStrings& fileLines,
                    TStrings& channelLines, TTextEncoding& encoding);

// LoadConfigFile for the card, without a string per line: the channel
// block goes into channels (which keeps the file's bytes as its buffer), and
// blockStart receives the index of the start marker's line. The same errors
// (a missing end marker names the NUL byte that hid it); nothing changes
// when nothing is there.
void LoadConfigFile(const std::string& path, TConfigInfo& config, TChannelTreeModel& channels,
                    std::optional<std::size_t>& blockStart, TTextEncoding& encoding);

// The part of the card's LoadConfigFile after reading: bytes, the file's
// whole content, read as path (which only goes into messages); reading,
// where given, what the settings were read from and whether a NUL byte
// ended the text. The same errors.
void LoadConfigBytes(const std::string& path, std::string bytes, TConfigInfo& config,
                     TChannelTreeModel& channels, std::optional<std::size_t>& blockStart,
                     TTextEncoding& encoding, TConfigReading* reading = nullptr);

// A digest of a configuration file's bytes, to tell a file another writer
// changed from the one read. A missing file counts as an empty one.
std::size_t ConfigFileDigest(std::string_view bytes);

// The part of LoadConfigFile after reading: settings from the file's bytes,
// then the channel block's lines appended to channelLines. fileName only
// goes into messages.
void ReadConfigText(const std::string& fileName, std::string_view bytes, TConfigInfo& config,
                    TStrings& channelLines);

// fileLines := the fourteen settings lines, ">ChT<", channelLines, an empty
// line, ">EOT<".
void BuildConfigFileLines(const TConfigInfo& config, const TStrings& channelLines,
                          TStrings& fileLines);
