#pragma once
// Module resources: named byte blocks compiled into the program (see voka_resource in CMake).
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

bool RegisterModuleResource(std::string_view name, const unsigned char* data, size_t size);

// The resource's bytes; empty when the program carries no resource of that name.
// Names compare without regard to letter case, as module resource names do.
std::span<const uint8_t> FindModuleResource(std::string_view name);
bool ModuleResourceExists(std::string_view name);
// The table's entry for the name, stable for the program's lifetime; null when missing.
const std::span<const uint8_t>* FindModuleResourceEntry(std::string_view name);
