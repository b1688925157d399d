#pragma once
// Programs captured instead of started: what would start, and the folder it would start in.
#include <filesystem>
#include <vector>

#include "platform/win32/Process.h"

class CapturedLauncher : public ProgramLauncher {
public:
    CapturedLauncher() : previous_(SetProgramLauncher(this)) {}
    ~CapturedLauncher() override { SetProgramLauncher(previous_); }
    UINT Launch(const LaunchRequest& request) override {
        requests.push_back(request);
        folders.push_back(std::filesystem::current_path());
        return 33;
    }
    std::vector<LaunchRequest> requests;
    std::vector<std::filesystem::path> folders;

private:
    ProgramLauncher* previous_;
};
