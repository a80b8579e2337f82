// make-design-bar: writes the colour bar built into the program as a 24-bit BMP file.
#include <iostream>

#include "ColorBar.h"
#include "ExitStatus.h"
#include "PictureFormats.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make-design-bar OUTPUT.bmp\n";
    return static_cast<int>(ExitStatus::kUsage);
  }
  try {
    orandu::WriteBmp(argv[1], orandu::DesignTimeColorBar());
  } catch (const std::exception& error) {
    std::cerr << "make-design-bar: " << error.what() << '\n';
    return static_cast<int>(ExitStatus::kFailure);
  }
  return static_cast<int>(ExitStatus::kSuccess);
}
