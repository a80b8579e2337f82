// Opens and closes one X connection, the one the toolkit would open next.
#include "ui/DisplayCheck.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace orandu {

namespace {

// The value after a toolkit option given as "-name VALUE" or "--name VALUE", or nullptr.
const char* OptionValue(int argc, char** argv, std::string_view name) {
  for (int i = 1; i + 1 < argc; ++i) {
    std::string_view argument = argv[i];
    if (argument.starts_with("--")) argument.remove_prefix(1);
    if (argument.starts_with('-') && argument.substr(1) == name) return argv[i + 1];
  }
  return nullptr;
}

bool IsSet(const char* value) {
  return value != nullptr && *value != '\0';
}

}  // namespace

std::optional<std::string> DisplayFailure(int argc, char** argv) {
  if (IsSet(std::getenv("QT_QPA_PLATFORM")) || OptionValue(argc, argv, "platform") != nullptr ||
      IsSet(std::getenv("WAYLAND_DISPLAY"))) {
    return std::nullopt;
  }
  const char* display = OptionValue(argc, argv, "display");
  if (display == nullptr) display = std::getenv("DISPLAY");
  const std::string program =
      argc > 0 && IsSet(argv[0]) ? std::filesystem::path(argv[0]).filename().string() : "orandu";
  if (!IsSet(display)) {
    return program + ": ディスプレイを開けません (DISPLAY が設定されていません)";
  }
  xcb_connection_t* connection = xcb_connect(display, nullptr);
  const bool failed = xcb_connection_has_error(connection) != 0;
  xcb_disconnect(connection);
  if (failed) return program + ": ディスプレイ \"" + display + "\" を開けません";
  return std::nullopt;
}

}  // namespace orandu
