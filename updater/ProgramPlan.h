#pragma once
// Which erase blocks to erase and which pieces to write for an image on a unit.
#include <string>
#include <vector>

#include "updater/McuInfo.h"
#include "updater/SRecordReader.h"

struct WritePiece {
    uint16_t address = 0;
    std::string data; // only image bytes: gaps stay erased
};

struct EraseStep {
    uint16_t address = 0;
    std::vector<WritePiece> pieces; // ascending, none crossing a write block
};

// Erase blocks holding image bytes inside the flash ranges, ascending; image bytes
// outside the ranges are left out.
std::vector<EraseStep> PlanProgramming(const FirmwareImage& image, const McuInfo& info);
size_t PlannedBytes(const std::vector<EraseStep>& plan);
