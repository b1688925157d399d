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

    // The attribute's contents in the testbed's sysfs.
    std::string Attribute(const std::string& devicePath, const std::string& name) const;

private:
    UMockdevTestbed* testbed_;
};
