// ASCII letter case: keywords, names and extensions compared without regard to case in any locale.
#pragma once

#include <string>
#include <string_view>

namespace orandu {

constexpr char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string LowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

}  // namespace orandu
