#pragma once
// The translated texts: what every layer, the Qt-free ones included, needs of
// GNU gettext. Choosing the language is Localization.h's (it needs the
// toolkit for the toolkit's own texts).
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

// The gettext domain of every catalogue.
inline constexpr const char* kTextDomain = "default";

// The translation of msgid in the current language, or msgid itself; the
// empty text stays empty.
std::string Tr(const char* msgid);
inline std::string Tr(const std::string& msgid) {
  return Tr(msgid.c_str());
}

// Fills a (translated) pattern: each "%d" or "%s" takes the next of values in
// order, "%%" gives "%". Placeholders without a value stay as they are. No
// printf underneath, so a catalogue can never make it read beyond values.
std::string FillIn(std::string_view pattern, std::span<const std::string_view> values);
inline std::string FillIn(std::string_view pattern,
                          std::initializer_list<std::string_view> values) {
  return FillIn(pattern, std::span<const std::string_view>(values.begin(), values.size()));
}
