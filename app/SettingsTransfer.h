#pragma once
// The unit's settings link: the upload and download commands and their byte protocol.
// One implementation serves the main window and the console commands; each shows its
// progress and outcome through a display pair (a progress bar and a status label in the
// same place, one of them shown at a time) and asks for files through its own choosers.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "comm/reRore.h"

constexpr size_t SETTINGS_IMAGE_SIZE = 768;
constexpr size_t SETTINGS_BLOCK_SIZE = 256;
constexpr uint32_t UNIT_REPLY_TIMEOUT_MS = 1000;
constexpr uint32_t UPLOAD_SETTLE_MS = 3000;

using TSettingsImage = std::array<uint8_t, SETTINGS_IMAGE_SIZE>;

// A progress bar and a status label sharing one place on the display.
class TTransferDisplay {
public:
    virtual ~TTransferDisplay() = default;
    virtual void SetBarVisible(bool Visible) = 0;
    virtual void SetBarPosition(int Position) = 0;
    virtual void SetLabelVisible(bool Visible) = 0;
    virtual void SetLabelText(const AnsiString& Text) = 0;
};

// How a command gets its file. The folder is the running program's; an empty result
// means the user cancelled.
using TFileChooser = std::function<std::optional<AnsiString>(const AnsiString& InitialDir)>;

enum class TTransferResult {
    Cancelled,   // no file chosen
    FileRefused, // settings file missing, unreadable, no plain file or too short (a beep)
    NoResponse,  // the unit did not answer the hello
    Failed,      // a block was not acknowledged or answered ("Error")
    BadBlock,    // "Communication Error": a checksum mismatch or the last block missing
    Done,
    SaveFailed, // downloaded, but the file could not be written (reported)
};

class TSettingsTransfer {
public:
    TSettingsTransfer(TreRore& Port, TTransferDisplay& Display);

    // Sends a settings file to the unit in three acknowledged write frames.
    TTransferResult Upload(const TFileChooser& ChooseFile);
    // Reads the three blocks from the unit, checks them and saves the image.
    TTransferResult Download(const TFileChooser& ChooseFile);

    // The write frame of one block: "W", the block's offset in three bytes, the data and
    // the sum of all of these.
    static uint8_t WriteFrameChecksum(const TSettingsImage& Image, int Block);
    // The read request: "R", the offset in three bytes, and their sum.
    static std::array<uint8_t, 5> ReadRequest(int Block);

private:
    bool WaitForUnit(uint32_t Count);
    void DropWaitingBytes();
    TTransferResult EndWith(TTransferResult Result, const AnsiString& Text);
    bool SaveImage(const AnsiString& FileName, const TSettingsImage& Image);

    TreRore& FPort;
    TTransferDisplay& FDisplay;
};

// The folder of the running program, ending with the path delimiter.
AnsiString ProgramFolder();
