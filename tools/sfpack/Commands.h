#pragma once
// The sfpack commands. Each returns the process exit status.
#include <string>
#include <vector>

enum TExitStatus { exSuccess = 0, exFileError = 1, exUsage = 2, exDamaged = 3 };

int PackCommand(const std::string& source, const std::string& target);
int UnpackCommand(const std::string& source, const std::string& target);
int CreateCommand(const std::string& container, const std::vector<std::string>& files);
int ListCommand(const std::string& container);
int ExtractCommand(const std::string& container, const std::string& folder);
