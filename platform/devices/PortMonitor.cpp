#include "platform/devices/PortMonitor.h"

#include <cerrno>
#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

struct PortMonitor::State {
    Handler handler;
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    int stop = -1;
    std::thread thread;

    ~State() {
        if (monitor)
            udev_monitor_unref(monitor);
        if (context)
            udev_unref(context);
        if (stop >= 0)
            ::close(stop);
    }

    void Run() {
        const int source = udev_monitor_get_fd(monitor);
        for (;;) {
            pollfd ready[2] = {{stop, POLLIN, 0}, {source, POLLIN, 0}};
            if (::poll(ready, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return; // a poll that fails for good would otherwise spin a core
            }
            if (ready[0].revents)
                return;
            if (ready[1].revents & POLLIN)
                Receive();
        }
    }

    void Receive() {
        udev_device* device = udev_monitor_receive_device(monitor);
        if (!device)
            return;
        const char* action = udev_device_get_action(device);
        const char* path = udev_device_get_devpath(device);
        const char* node = udev_device_get_devnode(device);
        const AnsiString verb = action ? action : "";
        // Virtual terminals and pseudo-terminals come and go with sessions, not adapters.
        const bool serial = node && path && AnsiString(path).find("/virtual/") == AnsiString::npos;
        if (serial && (verb == "add" || verb == "remove"))
            handler(verb == "add", node);
        udev_device_unref(device);
    }
};

PortMonitor::PortMonitor(Handler handler) : state_(std::make_unique<State>()) {
    state_->handler = std::move(handler);
    state_->context = udev_new();
    if (state_->context)
        state_->monitor = udev_monitor_new_from_netlink(state_->context, "udev");
    state_->stop = ::eventfd(0, EFD_CLOEXEC);
    if (!state_->monitor || state_->stop < 0 ||
        udev_monitor_filter_add_match_subsystem_devtype(state_->monitor, "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(state_->monitor) < 0) {
        state_.reset();
        return;
    }
    State* state = state_.get();
    state_->thread = std::thread([state] { state->Run(); });
}

PortMonitor::~PortMonitor() {
    if (!state_)
        return;
    const uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(state_->stop, &one, sizeof one);
    state_->thread.join();
}

bool PortMonitor::Watching() const {
    return state_ != nullptr;
}
