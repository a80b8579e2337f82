// Start-up: the program's three windows, built once in their fixed order and kept to the end.
#pragma once

#include <memory>

#include "settings/SettingsLocation.h"

class TFormOrandu_Config;
class TFormOrandu_Graph;
class TFormOrandu_Main;

class ProgramWindows {
 public:
  // Builds the main window, the settings dialog (which reads the settings and loads the legend)
  // and the hidden region view, and hands the main window the two it opens. An error in a
  // creation handler is reported and start-up goes on with the next window.
  explicit ProgramWindows(orandu::SettingsLocation location);
  ~ProgramWindows();
  ProgramWindows(const ProgramWindows&) = delete;
  ProgramWindows& operator=(const ProgramWindows&) = delete;

  TFormOrandu_Main& Main() { return *main_; }
  TFormOrandu_Config& Config() { return *config_; }
  TFormOrandu_Graph& Graph() { return *graph_; }

 private:
  std::unique_ptr<TFormOrandu_Main> main_;
  std::unique_ptr<TFormOrandu_Config> config_;
  std::unique_ptr<TFormOrandu_Graph> graph_;
};
