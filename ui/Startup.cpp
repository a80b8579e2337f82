// Builds the windows in the order the program relies on: the legend exists before it is loaded.
#include "ui/Startup.h"

#include "ui/ErrorReport.h"
#include "ui/UnitOrandu_Config.h"
#include "ui/UnitOrandu_Graph.h"
#include "ui/UnitOrandu_Main.h"

ProgramWindows::ProgramWindows(orandu::SettingsLocation location) {
  main_ = std::make_unique<TFormOrandu_Main>();
  orandu::RunReportingErrors([this] { main_->FormCreate(); });

  config_ = std::make_unique<TFormOrandu_Config>(main_->Legend(), std::move(location));
  orandu::RunReportingErrors([this] { config_->FormCreate(); });

  graph_ = std::make_unique<TFormOrandu_Graph>(*config_, main_->Legend());
  main_->SetWindows(*config_, *graph_);
}

ProgramWindows::~ProgramWindows() = default;
