#pragma once
// Byte values of the boot-loader protocol as the unit's boot loader knows them, written from
// the protocol page on their own: the simulator checks the updater, so it takes nothing from it.
#include <cstddef>
#include <cstdint>

namespace bootloader {
constexpr uint8_t kWake = 0xA5;      // "is a boot loader listening?"
constexpr uint8_t kAck = 0x06;       // command done
constexpr uint8_t kNak = 0x15;       // command refused or failed
constexpr uint8_t kCalibrate = 0x43; // 'C', then kCalibrationLength bytes kCalibrationByte
constexpr uint8_t kIdentify = 0x49;  // 'I'
constexpr uint8_t kErase = 0x45;     // 'E', address (2)
constexpr uint8_t kWrite = 0x57;     // 'W', address (2), length (1), data
constexpr uint8_t kRead = 0x52;      // 'R', address (2), length (1)
constexpr uint8_t kQuit = 0x51;      // 'Q'
constexpr uint8_t kCalibrationByte = 0x55;
constexpr size_t kCalibrationLength = 32;
constexpr uint8_t kProtocolVersion = 1;
constexpr size_t kMaxNameLength = 32; // the ending zero byte included
} // namespace bootloader
