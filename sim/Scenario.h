#pragma once
// Scenario files: a simulated machine described in JSON, for the simulator build of the updater.
// docs/scenarios.md describes the format; scenarios/ holds one file for every screen.
#include <optional>
#include <string>
#include <vector>

#include "sim/SimMachine.h"

namespace vork::sim {

struct ScenarioResult {
    bool ok = false;
    std::string error;                 // what is wrong with the file, and where, when not ok
    std::string description;           // the scenario's own description
    std::vector<std::string> screens;  // the screens a walk through the wizard passes, in order
};

// Describes the machine from the JSON text. A malformed file gives a clear error and leaves the
// machine as it was as far as the file got; nothing is thrown.
ScenarioResult LoadScenarioText(SimMachine& machine, const std::string& text);
ScenarioResult LoadScenarioFile(SimMachine& machine, const std::wstring& path);

// Writes, for each printer, the bytes it received (<name>.bin) and the sizes of the writes it was
// asked for, one a line (<name>.writes.txt), into an existing folder. False when a file could not
// be written.
bool DumpPrinters(const SimMachine& machine, const std::wstring& folder);

}  // namespace vork::sim
