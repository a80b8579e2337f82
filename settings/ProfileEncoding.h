// The encodings a settings file may come in, told apart by their byte-order mark.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orandu {

enum class ProfileEncoding {
  kPlainBytes,      // no mark: UTF-8 or the system's code page, taken byte for byte
  kUtf8WithMark,    // EF BB BF
  kUtf16LittleEnd,  // FF FE
  kUtf16BigEnd,     // FE FF
};

// A file's text as UTF-8 bytes, with what it takes to write it back in its own encoding.
struct DecodedProfile {
  ProfileEncoding encoding = ProfileEncoding::kPlainBytes;
  std::string text;     // without the mark
  std::string oddTail;  // a UTF-16 file's last byte when its length is odd, kept as it was
};

// Never fails. A UTF-16 surrogate without its partner becomes the three bytes UTF-8 would give
// its code point, so that encoding the text again gives back the very same code units.
DecodedProfile DecodeProfile(std::string_view fileBytes);

// The file's bytes for the text in the profile's encoding: mark, text, odd tail. Empty when the
// text cannot be written in a UTF-16 encoding (it is not UTF-8).
std::optional<std::string> EncodeProfile(const DecodedProfile& profile);

// Whether a new value can be stored in the encoding and read back as the same bytes: anything
// in a byte file, only well-formed UTF-8 without surrogates in a UTF-16 one.
bool FitsProfileEncoding(std::string_view value, ProfileEncoding encoding);

}  // namespace orandu
