// Settings files of any bytes: reading never fails, and a save either puts the value in whole,
// leaving the other key as it read before, or is refused and leaves the file byte for byte.
//
// Input: one byte n, then n bytes of the value to save (fewer when the input ends), then the
// settings file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "region/files/Errors.h"
#include "settings/ProfileFile.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using orandu::fuzz::Require;
  static const orandu::fuzz::ScratchFolder folder;
  if (size == 0) return 0;
  const std::size_t valueLength = std::min<std::size_t>(data[0], size - 1);
  const std::string value(reinterpret_cast<const char*>(data + 1), valueLength);
  const auto file =
      folder.Write("orandu.ini", std::span(data + 1 + valueLength, size - 1 - valueLength));

  std::string colorBar;
  {
    const orandu::ProfileSnapshot profile(file);
    profile.ReadSetting("SYSTEM", "ETOPO5", "<default>");
    colorBar = profile.ReadSetting("SYSTEM", "ColorBar", "<default>");
  }
  const auto before = orandu::fuzz::ScratchFolder::Read(file);
  try {
    orandu::WriteSetting(file, "SYSTEM", "ETOPO5", value);
  } catch (const orandu::OranduError&) {
    Require(orandu::fuzz::ScratchFolder::Read(file) == before, "a refused save changed the file");
    return 0;
  }
  Require(orandu::ReadSetting(file, "SYSTEM", "ETOPO5", "<default>") == value,
          "the saved value does not read back byte for byte");
  Require(orandu::ReadSetting(file, "SYSTEM", "ColorBar", "<default>") == colorBar,
          "saving one key changed another");
  return 0;
}
