// The settings download against a unit whose answers are arbitrary bytes: it ends with the
// outcome those answers call for, and saves exactly the blocks the unit sent when they
// check out. The wait for an answer that falls short ends on the test clock, so no real
// time passes for it.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/MainForm.h"
#include "app/SettingsTransfer.h"
#include "comm/CommClasses.h"
#include "platform/classes/Application.h"
#include "platform/rtl/FileUtils.h"
#include "platform/serial/SerialPlatform.h"
#include "platform/serial/virtual/VirtualPort.h"
#include "platform/win32/Synch.h"

namespace {
constexpr const char* PORT_NAME = "COM7";
constexpr uint16_t PORT_NO = 7;
constexpr size_t REQUESTS = 4; // the hello, then the read requests of blocks 0, 1 and 2
constexpr size_t MAX_ANSWER = 1024;

// The input cut into one answer per request: a 16-bit little-endian length (at most
// MAX_ANSWER) and that many bytes; answers the input does not reach are silence.
std::vector<std::string> Answers(const uint8_t* data, size_t size) {
    std::vector<std::string> answers(REQUESTS);
    size_t at = 0;
    for (std::string& answer : answers) {
        if (at + 2 > size)
            break;
        const size_t length = std::min<size_t>(data[at] | (data[at + 1] << 8), MAX_ANSWER);
        at += 2;
        const size_t taken = std::min(length, size - at);
        answer.assign(reinterpret_cast<const char*>(data + at), taken);
        at += taken;
    }
    return answers;
}

// The unit on the far end, on its own thread: each complete request gets its answer. After
// an answer shorter than the download waits for, it moves the test clock on, so that the
// download's wait for the rest ends at once.
class ScriptedUnit {
public:
    ScriptedUnit(VirtualPortRemote& remote, std::vector<std::string> answers)
        : remote_(remote), answers_(std::move(answers)), thread_([this] { Serve(); }) {}
    ~ScriptedUnit() {
        stop_ = true;
        thread_.join();
    }

private:
    void Serve() {
        std::string pending;
        size_t request = 0;
        bool fellShort = false;
        while (!stop_) {
            pending += remote_.WaitForOutput(1, std::chrono::milliseconds(1));
            const size_t length = request == 0 ? 2 : 5;
            if (request < REQUESTS && pending.size() >= length) {
                pending.erase(0, length);
                remote_.Inject(answers_[request]);
                fellShort = answers_[request].size() < (request == 0 ? 3 : SETTINGS_BLOCK_SIZE + 1);
                ++request;
            } else if (fellShort) {
                AdvanceTestTickCount(UNIT_REPLY_TIMEOUT_MS + 1);
            }
        }
    }

    VirtualPortRemote& remote_;
    std::vector<std::string> answers_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// What the download must come to with these answers, and the image it then saves.
TTransferResult Expected(const std::vector<std::string>& answers, std::string& image) {
    if (answers[0].size() < 3)
        return TTransferResult::NoResponse;
    for (int block = 0; block < 3; ++block) {
        const std::string& reply = answers[block + 1];
        if (reply.size() < SETTINGS_BLOCK_SIZE + 1)
            return block < 2 ? TTransferResult::Failed : TTransferResult::BadBlock;
        uint8_t sum = 0;
        for (size_t i = 0; i < SETTINGS_BLOCK_SIZE; ++i)
            sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(reply[i]));
        if (sum != static_cast<uint8_t>(reply[SETTINGS_BLOCK_SIZE]))
            return TTransferResult::BadBlock;
        image += reply.substr(0, SETTINGS_BLOCK_SIZE);
    }
    return TTransferResult::Done;
}

class NoDisplay : public TTransferDisplay {
public:
    void SetBarVisible(bool) override {}
    void SetBarPosition(int) override {}
    void SetLabelVisible(bool) override {}
    void SetLabelText(const AnsiString&) override {}
};

std::string saveName;
// Made once: reading the window's description (with its stored files) takes longer than
// a download.
TreRore* port = nullptr;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A home of its own: nothing of the user's registry or port numbers is touched.
    std::string home = (std::filesystem::temp_directory_path() / "voka-fuzz-XXXXXX").string();
    if (!mkdtemp(home.data()))
        std::abort();
    setenv("VOKA_HOME", home.c_str(), 1);
    saveName = home + "/unit.bin";
    InitSerialPlatform();
    RegisterVirtualPortDriver();
    RegisterCommClasses();
    SetTestTickCount(1000);
    new TApplication; // port events reach this thread, as in the program
    port = CreateSettingsPort().release();
    port->SetComPortNo(PORT_NO);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> answers = Answers(data, size);
    std::string image;
    const TTransferResult expected = Expected(answers, image);

    const auto remote = VirtualPortRemote::Create(PORT_NAME);
    NoDisplay display;
    TTransferResult result;
    {
        const ScriptedUnit unit(*remote, answers);
        result = TSettingsTransfer(*port, display).Download([](const AnsiString&) {
            return std::optional<AnsiString>(saveName);
        });
    }
    if (result != expected || port->GetActive())
        __builtin_trap();
    if (result == TTransferResult::Done &&
        ReadFileContents(saveName, SETTINGS_IMAGE_SIZE + 1) != image)
        __builtin_trap();
    DeleteFile(saveName);
    return 0;
}
