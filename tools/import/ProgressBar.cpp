// Drawing the progress bar.
#include "tools/import/ProgressBar.h"

#include <cmath>
#include <string>

namespace orandu {
namespace {

constexpr int kBarWidth = 40;

std::string Clock(double seconds) {
  const long whole = std::lround(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
  return text;
}

}  // namespace

ProgressBar::ProgressBar(std::FILE* terminal, bool shown) : terminal_(terminal), shown_(shown) {}

void ProgressBar::Update(double done) {
  if (!shown_) return;
  const int percent = static_cast<int>(std::floor(done * 100));
  if (percent == drawnPercent_) return;
  drawnPercent_ = percent;
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const std::string left = done > 0 ? Clock(elapsed * (1 - done) / done) + " left" : "";
  const int filled = static_cast<int>(done * kBarWidth);
  const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                          std::string(static_cast<std::size_t>(kBarWidth - filled), '.');
  std::fprintf(terminal_, "\r[%s] %3d%%  %s   ", bar.c_str(), percent, left.c_str());
  std::fflush(terminal_);
}

void ProgressBar::Clear() {
  if (!shown_ || drawnPercent_ < 0) return;
  std::fprintf(terminal_, "\r%*s\r", kBarWidth + 24, "");
  std::fflush(terminal_);
}

}  // namespace orandu
