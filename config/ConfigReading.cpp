#include "config/ConfigReading.h"

#include "config/HW_ConfigInfo.h"
#include "support/Translation.h"

namespace {

// The key part of a settings line: the text before its first "=".
std::string_view KeyOf(std::string_view line) {
  return line.substr(0, line.find('='));
}

const char* WhyText(TUnreadWhy why) {
  switch (why) {
    case TUnreadWhy::Empty:
      return "the value is empty";
    case TUnreadWhy::BlankAfterNumber:
      return "a blank follows the number";
    case TUnreadWhy::OutOfRange:
      return "the number lies outside the 32-bit range";
    case TUnreadWhy::NoNumber:
    case TUnreadWhy::NoLine:
      break;
  }
  return "the value is no whole number";
}

std::string FallbackReason(const TUnreadSetting& unread) {
  const std::string why = unread.Why == TUnreadWhy::NoLine
                              ? FillIn(Tr("no line for %s"), {unread.Key})
                              : Tr(WhyText(unread.Why));
  return FillIn(Tr("%s; every setting takes its default"), {why});
}

}  // namespace

void TSettingLines::Add(std::string_view line, std::size_t number) {
  Lines.emplace_back(line);
  Numbers.push_back(number);
}

void TSettingLines::Put(std::string_view key, std::string line) {
  for (std::string& existing : Lines) {
    if (!EqualsIgnoringCase(KeyOf(existing), key)) continue;
    existing = std::move(line);
    return;
  }
  Add(line, 0);
}

bool TConfigReading::Clean() const {
  return !Cut && UnreadSettings(Settings.Lines).empty();
}

std::optional<TTextCut> TextCutOf(std::string_view bytes) {
  const std::size_t nul = bytes.find('\0');
  if (nul == std::string_view::npos) return std::nullopt;
  return TTextCut{nul, bytes.size() - nul - 1};
}

std::vector<TReadFinding> ReadFindings(const TConfigReading& reading, TTextEncoding encoding) {
  std::vector<TReadFinding> findings;
  if (reading.Cut) {
    findings.push_back(
        {0,
         {},
         FillIn(Tr("a NUL byte at offset %d ends the text; the %d bytes after it are ignored"),
                {std::to_string(reading.Cut->Offset), std::to_string(reading.Cut->Ignored)})});
  }
  const TSettingLines& lines = reading.Settings;
  for (const TUnreadSetting& unread : UnreadSettings(lines.Lines)) {
    TReadFinding finding{0, {}, FallbackReason(unread)};
    if (unread.Line) {
      finding.Line = lines.Numbers[*unread.Line];
      finding.Entry = AsUserText(lines.Lines[*unread.Line], encoding);
    }
    findings.push_back(std::move(finding));
  }
  return findings;
}

std::string FindingText(const std::string& fileName, const TReadFinding& finding) {
  if (finding.Line == 0) return fileName + ": " + finding.Reason;
  return fileName + ":" + std::to_string(finding.Line) + ": " +
         Shown(MessageExcerpt(finding.Entry)) + ": " + finding.Reason;
}

std::string FindingsText(const std::string& fileName, const std::vector<TReadFinding>& findings) {
  std::string text;
  for (const TReadFinding& finding : findings) {
    if (!text.empty()) text += '\n';
    text += FindingText(fileName, finding);
  }
  return text;
}

std::string KeptFileText(const std::string& fileName) {
  return FillIn(Tr("The configuration file \"%s\" was not written, so that nothing it holds is "
                   "lost:"),
                {fileName});
}
