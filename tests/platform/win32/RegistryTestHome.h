#pragma once
// Each registry test gets its own VOKA_HOME, so hive files never leak between cases.
#include <gmock/gmock.h>

#include <cstdlib>
#include <string>

#include "platform/win32/Registry.h"
#include "tests/support/TempDir.h"

class RegistryHome : public testing::Test {
protected:
    void SetUp() override {
        const char* saved = std::getenv("VOKA_HOME");
        saved_ = saved ? saved : "";
        setenv("VOKA_HOME", home_.Path().c_str(), 1);
    }
    void TearDown() override { setenv("VOKA_HOME", saved_.c_str(), 1); }

    std::string HiveFile(const char* name) const { return home_ / name; }

    static HKEY Create(HKEY root, const char* path) {
        HKEY key = nullptr;
        EXPECT_EQ(
            RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        return key;
    }
    static void SetString(HKEY key, const char* name, const std::string& text) {
        EXPECT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>(text.size() + 1)),
                  ERROR_SUCCESS);
    }
    // The value's bytes, or "<missing>".
    static std::string Query(HKEY key, const char* name, DWORD* type = nullptr) {
        DWORD size = 0;
        if (RegQueryValueExA(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS)
            return "<missing>";
        std::string data(size, '\0');
        EXPECT_EQ(
            RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()), &size),
            ERROR_SUCCESS);
        return data;
    }

    TempDir home_;

private:
    std::string saved_;
};
