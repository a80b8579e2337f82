// A line-by-line reading of INI text that remembers where each value lies, so that a change
// touches nothing else.
#include "settings/ProfileText.h"
#include "region/files/AsciiCase.h"

namespace orandu {

namespace {

constexpr std::string_view kBlanks = " \t";

enum class LineKind { kOther, kSection, kKey };

struct Line {
  std::size_t end = 0;         // past the line break
  std::size_t contentEnd = 0;  // before the line break
  LineKind kind = LineKind::kOther;
  std::string_view name;       // of the section or key
  std::size_t valueBegin = 0;  // key lines: after the "=" and the blanks that follow it
};

std::string_view Trimmed(std::string_view text) {
  const auto begin = text.find_first_not_of(kBlanks);
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(kBlanks) - begin + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

Line ParseLine(std::string_view text, std::size_t begin) {
  Line line;
  line.contentEnd = text.find_first_of("\r\n", begin);
  if (line.contentEnd == std::string_view::npos) line.contentEnd = text.size();
  line.end = line.contentEnd;
  if (line.end < text.size()) {
    line.end += text.substr(line.end).starts_with("\r\n") ? 2 : 1;
  }
  const std::string_view content = text.substr(begin, line.contentEnd - begin);
  const auto first = content.find_first_not_of(kBlanks);
  if (first == std::string_view::npos || content[first] == ';' || content[first] == '#') {
    return line;
  }
  if (content[first] == '[') {
    const auto close = content.find(']', first);
    if (close != std::string_view::npos) {
      line.kind = LineKind::kSection;
      line.name = Trimmed(content.substr(first + 1, close - first - 1));
    }
    return line;
  }
  const auto equals = content.find('=');
  if (equals == std::string_view::npos) return line;
  line.kind = LineKind::kKey;
  line.name = Trimmed(content.substr(0, equals));
  const auto value = content.find_first_not_of(kBlanks, equals + 1);
  line.valueBegin = begin + (value == std::string_view::npos ? equals + 1 : value);
  return line;
}

// Where a key is, or where it would go.
struct Place {
  std::optional<Line> key;            // the key line that is read and changed
  std::optional<Line> lastInFirst;    // the last header or key line of the first such section
  std::string_view lineBreak = "\n";  // the text's first line break
};

Place Locate(std::string_view text, std::string_view section, std::string_view key) {
  Place place;
  bool lineBreakSeen = false;
  bool inSection = false;
  bool firstSectionDone = false;
  for (std::size_t begin = 0; begin < text.size();) {
    const Line line = ParseLine(text, begin);
    if (!lineBreakSeen && line.end > line.contentEnd) {
      place.lineBreak = text.substr(line.contentEnd, line.end - line.contentEnd);
      lineBreakSeen = true;
    }
    if (line.kind == LineKind::kSection) {
      if (inSection) firstSectionDone = true;
      inSection = SameName(line.name, section);
      if (inSection && !firstSectionDone) place.lastInFirst = line;
    } else if (line.kind == LineKind::kKey && inSection) {
      if (!firstSectionDone) place.lastInFirst = line;
      if (SameName(line.name, key)) {
        place.key = line;
        return place;
      }
    }
    begin = line.end;
  }
  return place;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Blanks around a value and one pair of quotes around it are not part of it when read, so a
// value that has them is written inside quotes.
std::string StoredForm(std::string_view value) {
  const bool outerBlank = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
  const bool outerQuotes = value.size() >= 2 && value.front() == '"' && value.back() == '"';
  if (outerBlank || outerQuotes) return "\"" + std::string(value) + "\"";
  return std::string(value);
}

}  // namespace

std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key) {
  const Place place = Locate(text, section, key);
  if (!place.key) return std::nullopt;
  std::string_view value =
      text.substr(place.key->valueBegin, place.key->contentEnd - place.key->valueBegin);
  value = value.substr(0, value.find_last_not_of(kBlanks) + 1);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

std::string WithProfileValue(std::string_view text, std::string_view section, std::string_view key,
                             std::string_view value) {
  const Place place = Locate(text, section, key);
  const std::string stored = StoredForm(value);
  std::string result;
  result.reserve(text.size() + section.size() + key.size() + stored.size() + 8);
  if (place.key) {
    result.append(text.substr(0, place.key->valueBegin))
        .append(stored)
        .append(text.substr(place.key->contentEnd));
    return result;
  }
  std::string lines;
  if (!place.lastInFirst) lines.append("[").append(section).append("]").append(place.lineBreak);
  lines.append(key).append("=").append(stored).append(place.lineBreak);
  const std::size_t after = place.lastInFirst ? place.lastInFirst->end : text.size();
  result.append(text.substr(0, after));
  // A last line without a line break gets one before the new lines, and the text keeps ending
  // without one.
  const bool unterminated = after > 0 && result.back() != '\n' && result.back() != '\r';
  if (unterminated) {
    lines.insert(0, place.lineBreak);
    lines.resize(lines.size() - place.lineBreak.size());
  }
  result.append(lines).append(text.substr(after));
  return result;
}

}  // namespace orandu
