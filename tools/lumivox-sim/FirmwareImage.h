#pragma once
// Our default firmware image for the simulated unit, in S-record form, and the S-record
// line writer it is made with.
#include <cstdint>
#include <string>
#include <string_view>

#include "tools/lumivox-sim/FlashModel.h"

// One S-record line ("S1..."), without its line end. Type 0, 1, 5 and 9 take 16-bit
// addresses, 2 and 8 24-bit, 3 and 7 32-bit.
std::string SRecordLine(char type, uint32_t address, std::string_view data);

// The image "KZRA503.s19": a header, code and a constants table as S1 records of 32 data
// bytes inside the layout's ranges, the firmware's vector table with its reset vector
// just below the boot loader, and an S9 end record. The same bytes every time.
std::string MakeDefaultFirmware(const FlashLayout& layout);
