#pragma once
// The setup library "SetupAPI.dll" over Linux's device database (libudev), the device
// keys it shows in the registry, and the watch behind the device-change broadcast. Each
// program that looks devices up calls InitDevicesPlatform from main; calling it again does
// nothing.
#include "platform/win32/SetupApi.h"

inline constexpr const char* SETUP_LIBRARY_NAME = "SetupAPI.dll";

void InitDevicesPlatform();
// Makes the udev monitor the watch of the device-change broadcast (DeviceBroadcast.h).
void InstallPortWatch();
// Enters the 21 functions in the module table again (after a test replaced the module).
void RegisterSetupLibrary();
