#pragma once
// What reading a configuration file found that makes the settings in use
// differ from what the file holds: settings that fell back to their
// defaults, and a NUL byte that ended the text early. Reading itself stays
// silent about both; a writer asks here before it replaces the file, and
// --check, --diagnose and the dialog say why.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/TextCodec.h"
#include "support/VNUtils.h"

// The lines of a file that can carry a setting (those holding "="), in the
// file's order, each with its line number (from 1; 0 for a line put in
// later).
struct TSettingLines {
  TStrings Lines;
  std::vector<std::size_t> Numbers;

  void Add(std::string_view line, std::size_t number);
  // line ("Key=value") replaces the first line of key (letter case
  // ignored, as reading looks keys up), or is added when there is none.
  void Put(std::string_view key, std::string line);
};

// A NUL byte at Offset (counted in the file's bytes, from 0) ended the
// text; the Ignored bytes after it were not read.
struct TTextCut {
  std::size_t Offset = 0;
  std::size_t Ignored = 0;
};

struct TConfigReading {
  TSettingLines Settings;
  std::optional<TTextCut> Cut;

  // Whether the settings in use are the file's own and its whole text was
  // read, so that writing loses nothing of it.
  bool Clean() const;
};

// The NUL byte that ends the text of a file's bytes, if any.
std::optional<TTextCut> TextCutOf(std::string_view bytes);

// One thing a reading found, in the user's language: the line concerned
// (0: none) with its text as the user reads it, and the reason.
struct TReadFinding {
  std::size_t Line = 0;
  std::string Entry;
  std::string Reason;
};

// What reading found, the cut first (it explains what follows), then the
// settings that fell back, in key order. encoding: the file's, for the
// lines' text.
std::vector<TReadFinding> ReadFindings(const TConfigReading& reading, TTextEncoding encoding);

// "<file>:<line>: <text of the line>: <reason>", or "<file>: <reason>"
// where no line is concerned; the line's text with its control characters
// escaped.
std::string FindingText(const std::string& fileName, const TReadFinding& finding);

// Every finding's text, one per line.
std::string FindingsText(const std::string& fileName, const std::vector<TReadFinding>& findings);

// The refusal of a save that would replace what a reading could not take:
// names the file; the findings follow it.
std::string KeptFileText(const std::string& fileName);
