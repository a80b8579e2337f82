// make-design-bar: writes the colour bar built into the program as a 24-bit BMP file.
#include "region/colorbar/ColorBar.h"
#include "region/picture/PictureFormats.h"
#include "tools/ExitStatus.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    return FailUsage("usage: make-design-bar OUTPUT.bmp");
  }
  try {
    orandu::WriteBmp(argv[1], orandu::DesignTimeColorBar());
  } catch (const std::exception& error) {
    return Fail("make-design-bar", error.what());
  }
  return Exit(ExitStatus::kSuccess);
}
