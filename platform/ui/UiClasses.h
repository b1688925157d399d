#pragma once
// The controls and dialogs form descriptions may create by class name.

// Registers them for form streaming; each program that reads a window's description calls it
// from main. Calling it again does nothing.
void RegisterUiClasses();
