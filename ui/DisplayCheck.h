// Whether the window system answers, asked before the toolkit starts (it would abort instead).
#pragma once

#include <optional>
#include <string>

namespace orandu {

// The line to print, in the program's language, when the X display the toolkit would open cannot
// be opened: DISPLAY unset or empty, or no X server answering on it ("-display NAME" among the
// arguments stands for DISPLAY, as the toolkit takes it). Nothing when it opens, or when another
// platform is asked for (QT_QPA_PLATFORM, "-platform", or a Wayland session), which the toolkit
// then opens and reports on itself.
std::optional<std::string> DisplayFailure(int argc, char** argv);

}  // namespace orandu
