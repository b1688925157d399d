#pragma once
// The classes of comm/ that form descriptions create by name: the serial component TreRore.

// Registers them for form streaming; each program that reads a window's description calls it
// from main. Calling it again does nothing.
void RegisterCommClasses();
