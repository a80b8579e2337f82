// UTF-8 with undecodable bytes escaped as lone surrogates, in both directions.
#include "ui/FileNames.h"

#include <QChar>

namespace orandu {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // escaped byte b is kEscapeBase + b, b >= 0x80

struct Utf8Lead {
  int length = 0;  // 0: not a lead byte
  char32_t bits = 0;
  char32_t smallest = 0;  // anything below is an overlong encoding
};

Utf8Lead ReadLead(unsigned char byte) {
  if ((byte & 0xE0) == 0xC0) return {2, char32_t{byte} & 0x1F, 0x80};
  if ((byte & 0xF0) == 0xE0) return {3, char32_t{byte} & 0x0F, 0x800};
  if ((byte & 0xF8) == 0xF0) return {4, char32_t{byte} & 0x07, 0x10000};
  return {};
}

void AppendCodePoint(QString& text, char32_t codePoint) {
  if (QChar::requiresSurrogates(codePoint)) {
    text += QChar(QChar::highSurrogate(codePoint));
    text += QChar(QChar::lowSurrogate(codePoint));
  } else {
    text += QChar(static_cast<char16_t>(codePoint));
  }
}

void AppendUtf8(std::string& bytes, char32_t codePoint) {
  const auto put = [&bytes](char32_t value) { bytes += static_cast<char>(value & 0xFF); };
  if (codePoint < 0x80) {
    put(codePoint);
  } else if (codePoint < 0x800) {
    put(0xC0 | (codePoint >> 6));
    put(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    put(0xE0 | (codePoint >> 12));
    put(0x80 | ((codePoint >> 6) & 0x3F));
    put(0x80 | (codePoint & 0x3F));
  } else {
    put(0xF0 | (codePoint >> 18));
    put(0x80 | ((codePoint >> 12) & 0x3F));
    put(0x80 | ((codePoint >> 6) & 0x3F));
    put(0x80 | (codePoint & 0x3F));
  }
}

}  // namespace

QString FromFileNameBytes(const std::string& bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      text += QChar(static_cast<char16_t>(lead));
      ++i;
      continue;
    }
    const Utf8Lead form = ReadLead(lead);
    char32_t codePoint = form.bits;
    bool valid = form.length > 0 && i + static_cast<std::size_t>(form.length) <= bytes.size();
    for (int k = 1; valid && k < form.length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
      valid = (next & 0xC0) == 0x80;
      codePoint = (codePoint << 6) | (next & 0x3F);
    }
    valid = valid && codePoint >= form.smallest && codePoint <= 0x10FFFF &&
            !QChar::isSurrogate(codePoint);
    if (valid) {
      AppendCodePoint(text, codePoint);
      i += static_cast<std::size_t>(form.length);
    } else {
      text += QChar(static_cast<char16_t>(kEscapeBase + lead));
      ++i;
    }
  }
  return text;
}

std::string FileNameBytes(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i].unicode();
    if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      AppendUtf8(bytes, QChar::surrogateToUcs4(unit, text[i + 1].unicode()));
      ++i;
    } else if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF) {
      bytes += static_cast<char>(unit - kEscapeBase);
    } else if (QChar::isSurrogate(unit)) {
      // Any other lone surrogate stands for no character and has no bytes of its own.
      AppendUtf8(bytes, QChar::ReplacementCharacter);
    } else {
      AppendUtf8(bytes, unit);
    }
  }
  return bytes;
}

}  // namespace orandu
