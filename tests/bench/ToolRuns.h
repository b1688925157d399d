#pragma once
// Command-line tools run and timed on files, for the benchmarks that set them side by side.
#include <filesystem>
#include <string>
#include <vector>

// A folder in memory where the system offers one (/dev/shm), else the temporary home.
std::filesystem::path MemoryBackedFolder();

// The program of that name on PATH; empty when there is none.
std::string FindOnPath(const std::string& name);

// Runs the command (program and arguments) with its output thrown away and returns its wall
// time in seconds, from start to exit; a negative time when it fails or cannot start.
double TimedRun(const std::vector<std::string>& command);
