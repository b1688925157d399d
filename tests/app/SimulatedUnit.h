#pragma once
// A simulated unit on the far end of a virtual port, served by its own thread.
#include <atomic>
#include <mutex>
#include <thread>

#include "platform/serial/virtual/VirtualPort.h"
#include "tools/lumivox-sim/SettingsUnit.h"

class SimulatedUnit {
public:
    explicit SimulatedUnit(const AnsiString& portName, SettingsFaults faults = {})
        : remote_(VirtualPortRemote::Create(portName)), unit_(faults) {
        thread_ = std::thread([this] { Serve(); });
    }
    ~SimulatedUnit() {
        stop_ = true;
        thread_.join();
    }

    VirtualPortRemote& Remote() { return *remote_; }
    SettingsUnit::Image Contents() {
        std::lock_guard guard(lock_);
        return unit_.Contents();
    }
    void SetContents(const SettingsUnit::Image& image) {
        std::lock_guard guard(lock_);
        unit_.SetContents(image);
    }
    // Everything the host has sent so far, in order.
    std::string Received() {
        std::lock_guard guard(lock_);
        return received_;
    }

private:
    void Serve() {
        while (!stop_) {
            std::string bytes = remote_->WaitForOutput(1, std::chrono::milliseconds(2));
            if (bytes.empty())
                continue;
            std::string answer;
            {
                std::lock_guard guard(lock_);
                received_ += bytes;
                answer = unit_.Receive(bytes);
            }
            if (!answer.empty())
                remote_->Inject(answer);
        }
    }

    std::shared_ptr<VirtualPortRemote> remote_;
    SettingsUnit unit_;
    std::mutex lock_;
    std::string received_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
