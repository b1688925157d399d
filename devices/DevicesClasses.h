#pragma once
// The classes of devices/ that form descriptions create by name: the chooser box TnrDeviceBox.

// Registers them for form streaming; each program that reads a window's description calls it
// from main. Calling it again does nothing.
void RegisterDevicesClasses();
