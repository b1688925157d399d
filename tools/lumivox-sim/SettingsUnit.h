#pragma once
// The unit's side of the settings link: hello, write frames and read requests over a
// 768-byte settings image in three blocks of 256 bytes.
#include <array>
#include <cstdint>

#include "tools/lumivox-sim/UnitEngine.h"

// Ways the unit can be told to misbehave. Block numbers are 0, 1 or 2; -1 means off.
struct SettingsFaults {
    bool silent = false;       // answers nothing at all
    int stopAfterBlock = -1;   // after handling this block (read or write) it goes silent
    int badChecksumBlock = -1; // the reply to a read of this block carries a wrong checksum
    int noAckBlock = -1;       // a write of this block is stored but not acknowledged
    int strayBytes = 0;        // this many extra bytes follow every answer
};

class SettingsUnit : public UnitEngine {
public:
    static constexpr size_t kBlockSize = 256;
    static constexpr size_t kBlockCount = 3;
    static constexpr size_t kImageSize = kBlockSize * kBlockCount;
    using Image = std::array<uint8_t, kImageSize>;

    // The answer to the hello (the host only counts its bytes) and to a write frame.
    static constexpr std::string_view kHelloAnswer = "LV3";
    static constexpr std::string_view kWriteAck = "OK";
    static constexpr std::string_view kWriteRefused = "ER";

    explicit SettingsUnit(SettingsFaults faults = {});

    std::string Receive(std::string_view bytes) override;
    void LineIdle() override;
    bool MidCommand() const override { return !command_.empty(); }

    const Image& Contents() const { return image_; }
    void SetContents(const Image& image) { image_ = image; }
    // The image a unit leaves the factory with: a fixed, recognisable pattern.
    static Image FactoryImage();

    // Called after a write frame changed the image.
    std::function<void()> OnImageChanged;

private:
    void Take(uint8_t byte, std::string& answer);
    void Hello(std::string& answer);
    void WriteFrame(std::string& answer);
    void ReadRequest(std::string& answer);
    void Answer(std::string& answer, std::string_view bytes, int block);

    SettingsFaults faults_;
    Image image_{};
    std::string command_;
    bool stopped_ = false;
};
