#pragma once
// The classes of filestorage/ that form descriptions create by name: the stored-file container
// TFileStorage.

// Registers them for form streaming; each program that reads a window's description calls it
// from main. Calling it again does nothing.
void RegisterFileStorageClasses();
