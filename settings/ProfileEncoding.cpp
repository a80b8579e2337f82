// Byte-order marks, and UTF-16 to UTF-8 and back without losing a code unit.
#include "settings/ProfileEncoding.h"

#include <cstdint>

namespace orandu {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LittleEndMark = "\xFF\xFE";
constexpr std::string_view kUtf16BigEndMark = "\xFE\xFF";

std::string_view MarkOf(ProfileEncoding encoding) {
  switch (encoding) {
    case ProfileEncoding::kPlainBytes:
      return {};
    case ProfileEncoding::kUtf8WithMark:
      return kUtf8Mark;
    case ProfileEncoding::kUtf16LittleEnd:
      return kUtf16LittleEndMark;
    case ProfileEncoding::kUtf16BigEnd:
      return kUtf16BigEndMark;
  }
  return {};
}

bool IsUtf16(ProfileEncoding encoding) {
  return encoding == ProfileEncoding::kUtf16LittleEnd || encoding == ProfileEncoding::kUtf16BigEnd;
}

bool IsHighSurrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendUtf8(std::string& out, char32_t code) {
  const auto byte = [&out](char32_t bits) { out += static_cast<char>(bits); };
  if (code < 0x80) {
    byte(code);
  } else if (code < 0x800) {
    byte(0xC0 | code >> 6);
    byte(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    byte(0xE0 | code >> 12);
    byte(0x80 | (code >> 6 & 0x3F));
    byte(0x80 | (code & 0x3F));
  } else {
    byte(0xF0 | code >> 18);
    byte(0x80 | (code >> 12 & 0x3F));
    byte(0x80 | (code >> 6 & 0x3F));
    byte(0x80 | (code & 0x3F));
  }
}

// Takes one code point off the front of UTF-8 text: the shortest form only, and surrogates only
// when asked for (they stand for the lone ones of a decoded UTF-16 file).
std::optional<char32_t> TakeCodePoint(std::string_view& text, bool surrogatesAllowed) {
  const auto lead = static_cast<std::uint8_t>(text.front());
  std::size_t length = 0;
  char32_t code = 0;
  char32_t smallest = 0;
  if (lead < 0x80) {
    length = 1, code = lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1F, smallest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0F, smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07, smallest = 0x10000;
  } else {
    return std::nullopt;
  }
  if (text.size() < length) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<std::uint8_t>(text[i]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    code = code << 6 | (next & 0x3F);
  }
  if (code < smallest || code > 0x10FFFF) return std::nullopt;
  if (!surrogatesAllowed && (IsHighSurrogate(code) || IsLowSurrogate(code))) return std::nullopt;
  text.remove_prefix(length);
  return code;
}

}  // namespace

DecodedProfile DecodeProfile(std::string_view fileBytes) {
  DecodedProfile profile;
  for (const ProfileEncoding encoding :
       {ProfileEncoding::kUtf8WithMark, ProfileEncoding::kUtf16LittleEnd,
        ProfileEncoding::kUtf16BigEnd}) {
    if (fileBytes.starts_with(MarkOf(encoding))) {
      profile.encoding = encoding;
      fileBytes.remove_prefix(MarkOf(encoding).size());
      break;
    }
  }
  if (!IsUtf16(profile.encoding)) {
    profile.text = fileBytes;
    return profile;
  }
  if (fileBytes.size() % 2 != 0) {
    profile.oddTail = fileBytes.substr(fileBytes.size() - 1);
    fileBytes.remove_suffix(1);
  }
  const bool bigEnd = profile.encoding == ProfileEncoding::kUtf16BigEnd;
  const auto unitAt = [&](std::size_t index) -> char32_t {
    const auto first = static_cast<std::uint8_t>(fileBytes[2 * index]);
    const auto second = static_cast<std::uint8_t>(fileBytes[2 * index + 1]);
    return bigEnd ? char32_t(first << 8 | second) : char32_t(second << 8 | first);
  };
  const std::size_t units = fileBytes.size() / 2;
  profile.text.reserve(fileBytes.size());
  for (std::size_t i = 0; i < units; ++i) {
    char32_t code = unitAt(i);
    if (IsHighSurrogate(code) && i + 1 < units && IsLowSurrogate(unitAt(i + 1))) {
      code = 0x10000 + ((code - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00);
      ++i;
    }
    AppendUtf8(profile.text, code);
  }
  return profile;
}

std::optional<std::string> EncodeProfile(const DecodedProfile& profile) {
  std::string bytes(MarkOf(profile.encoding));
  if (!IsUtf16(profile.encoding)) return bytes + profile.text;
  const bool bigEnd = profile.encoding == ProfileEncoding::kUtf16BigEnd;
  const auto unit = [&](char32_t value) {
    const auto high = static_cast<char>(value >> 8);
    const auto low = static_cast<char>(value & 0xFF);
    bytes += bigEnd ? high : low;
    bytes += bigEnd ? low : high;
  };
  bytes.reserve(bytes.size() + 2 * profile.text.size() + profile.oddTail.size());
  std::string_view rest = profile.text;
  while (!rest.empty()) {
    const auto code = TakeCodePoint(rest, true);
    if (!code) return std::nullopt;
    if (*code < 0x10000) {
      unit(*code);
    } else {
      unit(0xD800 + ((*code - 0x10000) >> 10));
      unit(0xDC00 + ((*code - 0x10000) & 0x3FF));
    }
  }
  return bytes + profile.oddTail;
}

bool FitsProfileEncoding(std::string_view value, ProfileEncoding encoding) {
  if (!IsUtf16(encoding)) return true;
  while (!value.empty()) {
    if (!TakeCodePoint(value, false)) return false;
  }
  return true;
}

}  // namespace orandu
