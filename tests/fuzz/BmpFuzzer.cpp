// Any bytes given to the bitmap reader give a whole picture or the user's message.
#include <cstddef>
#include <cstdint>
#include <span>

#include "region/files/Errors.h"
#include "region/picture/PictureFormats.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    orandu::fuzz::RequireWholePicture(orandu::DecodeBmp(std::span(data, size)));
  } catch (const orandu::OranduError&) {
    // The message the user sees: a refusal is a correct answer to a broken file.
  }
  return 0;
}
