#include <gmock/gmock.h>

#include "platform/win32/Modules.h"

namespace {
int Answer() {
    return 42;
}

class ModuleTest : public ::testing::Test {
protected:
    void TearDown() override {
        UnregisterModule("testlib.dll");
        UnregisterModule("SetupAPI.dll");
    }
};
} // namespace

TEST_F(ModuleTest, KernelIsAlwaysThereAndNamesIgnoreCaseAndExtension) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    ASSERT_NE(kernel, nullptr);
    EXPECT_EQ(GetModuleHandleA("KERNEL32"), kernel);
    EXPECT_EQ(LoadLibraryA("Kernel32.DLL"), kernel);
    EXPECT_EQ(LoadLibraryA("C:\\WINNT\\System32\\kernel32.dll"), kernel);
    EXPECT_TRUE(FreeLibrary(kernel));
    EXPECT_TRUE(FreeLibrary(kernel));
    EXPECT_EQ(GetModuleHandleA("kernel32"), kernel); // never unloaded
    EXPECT_NE(GetModuleHandleA("ntdll.dll"), nullptr);
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
}

TEST_F(ModuleTest, RegisteredProceduresAreFoundByExactName) {
    RegisterModuleProc("kernel32.dll", "TestAnswer", &Answer);
    HMODULE kernel = LoadLibraryA("kernel32");
    auto proc = reinterpret_cast<int (*)()>(GetProcAddress(kernel, "TestAnswer"));
    ASSERT_NE(proc, nullptr);
    EXPECT_EQ(proc(), 42);
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(kernel, "testanswer"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    FreeLibrary(kernel);
}

TEST_F(ModuleTest, UnknownModulesFailToLoad) {
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("nosuchlib.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(GetModuleHandleA("nosuchlib"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(LoadLibraryA(""), nullptr);
}

TEST_F(ModuleTest, ModuleLackingNamesLoadsButFindsNothing) {
    RegisterModule("SetupAPI.dll");
    EXPECT_EQ(GetModuleHandleA("setupapi.dll"), nullptr); // known but not loaded yet
    HMODULE setup = LoadLibraryA("setupapi");
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(GetProcAddress(setup, "SetupDiGetClassDevsA"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_TRUE(FreeLibrary(setup));
}

TEST_F(ModuleTest, LoadsAreCountedAndFreedModulesAreGone) {
    RegisterModuleProc("testlib.dll", "Answer", &Answer);
    HMODULE first = LoadLibraryA("TestLib");
    HMODULE second = LoadLibraryA("testlib.dll");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_NE(first, GetModuleHandleA("kernel32"));
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_NE(GetProcAddress(second, "Answer"), nullptr);
    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_EQ(GetModuleHandleA("testlib"), nullptr);
    EXPECT_EQ(GetProcAddress(first, "Answer"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(FreeLibrary(first));
}
