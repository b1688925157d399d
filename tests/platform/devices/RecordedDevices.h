#pragma once
// Recorded devices for a test: umockdev's testbed fakes /sys, /dev and the udev database of
// this process, loaded from the .umockdev recordings in recordings/. The test program runs
// itself again under umockdev's preload before main when it is not under it yet.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <umockdev.h>

class RecordedDevices {
public:
    explicit RecordedDevices(std::initializer_list<const char*> recordings = {})
        : testbed_(umockdev_testbed_new()) {
        for (const char* recording : recordings) {
            const std::string path = std::string(VOKA_RECORDINGS) + "/" + recording;
            GError* error = nullptr;
            if (!umockdev_testbed_add_from_file(testbed_, path.c_str(), &error)) {
                ADD_FAILURE() << path << ": " << (error ? error->message : "not loaded");
                g_clear_error(&error);
            }
        }
    }
    ~RecordedDevices() { g_object_unref(testbed_); }
    RecordedDevices(const RecordedDevices&) = delete;
    RecordedDevices& operator=(const RecordedDevices&) = delete;

    // Adds devices given in the recordings' format.
    void Add(const std::string& recording);
    // Sends a device's "remove" event, which the testbed does not send by itself, and takes
    // the device away.
    void Remove(const std::string& sysPath);
    // Sends an event ("add", "remove", ...) for a device as udev would.
    void Uevent(const std::string& sysPath, const std::string& action);
    // The testbed makes a recording's /dev/serial links absolute paths into its own folder;
    // udev makes them relative ("../../ttyUSB0"), and link resolution depends on that.
    void MakeSerialLinksRelative();

    // The attribute's contents in the testbed's sysfs.
    std::string Attribute(const std::string& devicePath, const std::string& name) const;

private:
    UMockdevTestbed* testbed_;
};
