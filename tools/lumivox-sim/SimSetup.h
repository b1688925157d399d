#pragma once
// Builds the unit the options describe, with its image or flash kept in a file if asked.
#include <memory>
#include <ostream>

#include "tools/lumivox-sim/PnpDevice.h"
#include "tools/lumivox-sim/SimOptions.h"

struct SimulatedUnit {
    std::unique_ptr<FlashModel> flash; // boot mode only
    std::unique_ptr<UnitEngine> engine;
    std::unique_ptr<PnpDevice> pnp; // with --pnp only
};

// Returns false with a reason when a file named in the options cannot be used.
bool MakeSimulatedUnit(const SimOptions& options, std::ostream& log, SimulatedUnit& unit,
                       std::string& error);
