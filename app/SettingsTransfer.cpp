#include "app/SettingsTransfer.h"

#include <algorithm>
#include <vector>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"
#include "platform/win32/Files.h"
#include "platform/win32/Synch.h"
#include "platform/win32/User.h"

namespace {
constexpr uint8_t HELLO_ANSWER_BYTES = 3;
constexpr uint8_t WRITE_ACK_BYTES = 2;
constexpr uint32_t BLOCK_REPLY_BYTES = SETTINGS_BLOCK_SIZE + 1;

// Upload progress after the hello and after each block: block 0 stays at 20.
constexpr int UPLOAD_PROGRESS[] = {20, 60, 100};
constexpr int DOWNLOAD_PROGRESS[] = {40, 60, 80};
} // namespace

AnsiString ProgramFolder() {
    char path[4096] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return ExtractFilePath(AnsiString(path, length));
}

TSettingsTransfer::TSettingsTransfer(TreRore& Port, TTransferDisplay& Display)
    : FPort(Port), FDisplay(Display) {}

uint8_t TSettingsTransfer::WriteFrameChecksum(const TSettingsImage& Image, int Block) {
    uint8_t sum = static_cast<uint8_t>(0x57 + Block);
    for (size_t i = 0; i < SETTINGS_BLOCK_SIZE; ++i)
        sum = static_cast<uint8_t>(sum + Image[Block * SETTINGS_BLOCK_SIZE + i]);
    return sum;
}

std::array<uint8_t, 5> TSettingsTransfer::ReadRequest(int Block) {
    const auto b = static_cast<uint8_t>(Block);
    return {0x52, 0x00, b, 0x00, static_cast<uint8_t>(0x52 + b)};
}

bool TSettingsTransfer::WaitForUnit(uint32_t Count) {
    return FPort.WaitForBytes(Count, UNIT_REPLY_TIMEOUT_MS);
}

// Replies the commands do not use (the hello's answer, acknowledgements) are read and
// dropped; the scratch area takes whatever waits.
void TSettingsTransfer::DropWaitingBytes() {
    uint32_t waiting = FPort.GetReadyForRead();
    if (waiting == 0)
        return;
    std::vector<uint8_t> scratch(waiting);
    FPort.Read(scratch.data(), waiting);
}

TTransferResult TSettingsTransfer::EndWith(TTransferResult Result, const AnsiString& Text) {
    FDisplay.SetBarVisible(false);
    FDisplay.SetLabelText(Text);
    FDisplay.SetLabelVisible(true);
    FPort.SetActive(false);
    return Result;
}

TTransferResult TSettingsTransfer::Upload(const TFileChooser& ChooseFile) {
    int32_t position = FPort.GetDeviceIndex();
    FPort.Update();
    FPort.SetDeviceIndex(position);
    FPort.ClearDeviceBuffers();

    std::optional<AnsiString> fileName = ChooseFile(ProgramFolder());
    if (!fileName)
        return TTransferResult::Cancelled;
    TSettingsImage image{};
    size_t got = 0;
    if (FileExists(*fileName)) {
        try {
            // A FIFO or a device would hold the command up: only a plain file is read.
            TFileStream file(*fileName, fmOpenRead | fmShareDenyWrite | fmRegularFile);
            got = static_cast<size_t>(file.Read(image.data(), SETTINGS_IMAGE_SIZE));
        } catch (const EStreamError&) {
            got = 0;
        }
    }
    if (got < SETTINGS_IMAGE_SIZE) {
        MessageBeep(0);
        return TTransferResult::FileRefused;
    }

    FDisplay.SetLabelVisible(false);
    FPort.SetActive(true);
    FPort.SendString("VV");
    if (!WaitForUnit(HELLO_ANSWER_BYTES))
        return EndWith(TTransferResult::NoResponse, "No Response");
    FDisplay.SetBarPosition(UPLOAD_PROGRESS[0]);
    FDisplay.SetBarVisible(true);
    DropWaitingBytes();
    FPort.ClearDeviceBuffers();

    for (int block = 0; block < 3; ++block) {
        const uint8_t checksum = WriteFrameChecksum(image, block);
        FPort.SendChar(0x57);
        FPort.SendChar(0x00);
        FPort.SendChar(static_cast<char>(block));
        FPort.SendChar(0x00);
        FPort.SendData(image.data() + block * SETTINGS_BLOCK_SIZE, SETTINGS_BLOCK_SIZE);
        FPort.SendChar(static_cast<char>(checksum));
        const bool acknowledged = WaitForUnit(WRITE_ACK_BYTES);
        DropWaitingBytes();
        if (!acknowledged)
            return EndWith(TTransferResult::Failed, "Error");
        FDisplay.SetLabelVisible(false);
        FDisplay.SetBarPosition(UPLOAD_PROGRESS[block]);
        FDisplay.SetBarVisible(true);
    }

    Sleep(UPLOAD_SETTLE_MS); // the unit stores the image; the window waits without messages
    return EndWith(TTransferResult::Done, "Done              ");
}

TTransferResult TSettingsTransfer::Download(const TFileChooser& ChooseFile) {
    FDisplay.SetBarVisible(false);
    FDisplay.SetLabelVisible(false);
    FPort.SetActive(true);
    FPort.SendString("VV");
    if (!WaitForUnit(HELLO_ANSWER_BYTES)) {
        FDisplay.SetLabelText("No Response");
        FDisplay.SetLabelVisible(true);
        FPort.SetActive(false);
        return TTransferResult::NoResponse;
    }
    FDisplay.SetBarPosition(20); // still hidden
    DropWaitingBytes();

    TSettingsImage image{};
    std::vector<uint8_t> reply;
    for (int block = 0; block < 3; ++block) {
        for (uint8_t byte : ReadRequest(block))
            FPort.SendChar(static_cast<char>(byte));
        if (!WaitForUnit(BLOCK_REPLY_BYTES))
            return block < 2 ? EndWith(TTransferResult::Failed, "Error")
                             : EndWith(TTransferResult::BadBlock, "Communication Error");
        FDisplay.SetBarPosition(DOWNLOAD_PROGRESS[block]);
        FDisplay.SetBarVisible(true);

        // Everything that waits is taken; bytes past the reply are dropped.
        const uint32_t waiting = FPort.GetReadyForRead();
        reply.assign(std::max(waiting, BLOCK_REPLY_BYTES), 0);
        FPort.Read(reply.data(), waiting);
        uint8_t sum = 0;
        for (size_t i = 0; i < SETTINGS_BLOCK_SIZE; ++i) {
            image[block * SETTINGS_BLOCK_SIZE + i] = reply[i];
            sum = static_cast<uint8_t>(sum + reply[i]);
        }
        if (sum != reply[SETTINGS_BLOCK_SIZE])
            return EndWith(TTransferResult::BadBlock, "Communication Error");
    }
    FDisplay.SetBarPosition(100);
    FPort.SetActive(false);

    TTransferResult result = TTransferResult::Done;
    if (std::optional<AnsiString> fileName = ChooseFile(ProgramFolder()))
        if (!SaveImage(*fileName, image))
            result = TTransferResult::SaveFailed;
    FDisplay.SetBarVisible(false);
    FDisplay.SetLabelVisible(false);
    return result;
}

// A downloaded image that cannot be kept is reported, never silently lost; the file it was
// to replace, perhaps the only copy of a unit's settings, stays whole then.
bool TSettingsTransfer::SaveImage(const AnsiString& FileName, const TSettingsImage& Image) {
    try {
        TReplacingFileStream file(FileName);
        file.Write(Image.data(), SETTINGS_IMAGE_SIZE);
        file.Commit();
        return true;
    } catch (const Exception& error) {
        MessageBoxA(
            GetForegroundWindow(),
            Format("The settings could not be saved to \"%s\".\r\n%s", FileName, error.Message)
                .c_str(),
            "Save BIN File", MB_OK | MB_ICONERROR);
        return false;
    }
}
