// The program: its windows, then the event loop until the main window is closed.
#include <csignal>
#include <cstdio>

#include "ui/Application.h"
#include "ui/DisplayCheck.h"
#include "ui/Startup.h"
#include "ui/UnitOrandu_Main.h"

int main(int argc, char** argv) {
  // Past a file-size limit a write should fail, so that a save reports it can't write, rather
  // than the signal ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  // Without a display the toolkit would print its own advice in English and abort.
  if (const auto failure = orandu::DisplayFailure(argc, argv)) {
    std::fprintf(stderr, "%s\n", failure->c_str());
    return 1;
  }
  orandu::Application application(argc, argv);
  ProgramWindows windows(orandu::SettingsLocation::OfRunningExecutable());
  // The region view and the settings dialog do not keep the program alive: closing the main
  // window ends it, and all three windows go with it.
  windows.Main().show();
  return application.exec();
}
