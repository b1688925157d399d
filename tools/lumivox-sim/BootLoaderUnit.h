#pragma once
// The unit's boot loader: wake-up, clock calibration, identification, erase, write, read
// and quit, over a flash model.
#include <optional>

#include "tools/lumivox-sim/BootLoaderBytes.h"
#include "tools/lumivox-sim/FlashModel.h"
#include "tools/lumivox-sim/UnitEngine.h"

// A fault aimed at commands at one address, or at every such command.
struct AddressFault {
    bool active = false;
    std::optional<uint16_t> address; // none: every command
    bool Hits(uint16_t first, uint32_t length) const {
        return active && (!address || (*address >= first && *address < first + length));
    }
};

struct BootFaults {
    bool silent = false;            // never answers (a single-wire line still echoes)
    bool singleWire = false;        // every byte the host sends comes back first
    bool nakCalibration = false;    // cannot trim its clock
    bool badIdentification = false; // a malformed identification answer
    AddressFault nakErase;          // refuses the erase of a block
    AddressFault nakWrite;          // refuses a write
    AddressFault corruptRead;       // one byte of a read answer comes back changed
    bool dropWakeAck = false;       // ignores wake-ups (like a unit not in its boot loader)
    unsigned lateWakeMs = 0;        // answers every wake-up this late (a slow boot loader)
};

class BootLoaderUnit : public UnitEngine {
public:
    explicit BootLoaderUnit(FlashModel& flash, BootFaults faults = {});

    std::string Receive(std::string_view bytes) override;
    void LineIdle() override;
    bool MidCommand() const override { return !command_.empty(); }
    LateAnswer TakeLateAnswer() override;

    // True once Quit restarted the unit into its application.
    bool Restarted() const { return restarted_; }
    // The identification answer for a layout.
    static std::string Identification(const FlashLayout& layout);

    // Called after an erase or a write changed the flash.
    std::function<void()> OnFlashChanged;

private:
    void Take(uint8_t byte, std::string& answer);
    size_t ExpectedLength() const;
    void Execute(std::string& answer);
    void Reply(std::string& answer, std::string_view bytes);
    void Reply(std::string& answer, uint8_t byte) { Reply(answer, std::string(1, char(byte))); }

    FlashModel& flash_;
    BootFaults faults_;
    std::string command_;
    std::string late_; // wake-up answers still to come
    bool restarted_ = false;
};
