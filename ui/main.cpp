// The program: its windows, then the event loop until the main window is closed.
#include <csignal>

#include "Application.h"
#include "Startup.h"
#include "UnitOrandu_Main.h"

int main(int argc, char** argv) {
  // Past a file-size limit a write should fail, so that a save reports it can't write, rather
  // than the signal ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  orandu::Application application(argc, argv);
  ProgramWindows windows(orandu::SettingsLocation::OfRunningExecutable());
  // The region view and the settings dialog do not keep the program alive: closing the main
  // window ends it, and all three windows go with it.
  windows.Main().show();
  return application.exec();
}
