#pragma once
// Byte values of the boot-loader protocol as the updater sends and expects them.
#include <cstddef>
#include <cstdint>

namespace boot {
constexpr uint8_t kWake = 0xA5;
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kNak = 0x15;
constexpr uint8_t kCalibrate = 'C';
constexpr uint8_t kIdentify = 'I';
constexpr uint8_t kErase = 'E';
constexpr uint8_t kWrite = 'W';
constexpr uint8_t kRead = 'R';
constexpr uint8_t kQuit = 'Q';
constexpr uint8_t kCalibrationByte = 0x55;
constexpr size_t kCalibrationLength = 32;
constexpr uint8_t kProtocolVersion = 1;
constexpr size_t kMaxNameLength = 32; // the ending zero byte included
} // namespace boot
