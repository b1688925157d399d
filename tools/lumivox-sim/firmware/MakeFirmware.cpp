// Writes the default firmware image for the simulated unit to the file named.
#include <fstream>
#include <iostream>

#include "tools/lumivox-sim/FirmwareImage.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make-firmware OUTPUT.s19\n";
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << MakeDefaultFirmware(FlashLayout::Default());
    if (!out.flush()) {
        std::cerr << "make-firmware: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
