#pragma once
// The main window's stored description, compiled into the program as the resource "TFORM1".
#include <memory>

#include "comm/reRore.h"

constexpr const char* MAIN_FORM_RESOURCE = "TFORM1";

AnsiString MainFormDescription();

// The serial component as the main window configures it, made from the window's own
// description, for the console commands that work without a window.
std::unique_ptr<TreRore> CreateSettingsPort();
