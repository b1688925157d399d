#pragma once
// Whole-buffer packing and unpacking in slices of whole chunks, so that big inputs can
// report progress. The output is the same as one SFPack / SFUnpack call.
#include <cstdint>
#include <functional>
#include <string>

// Called with the input bytes done and the input's total.
using TProgress = std::function<void(uint64_t done, uint64_t total)>;

std::string PackInSlices(const std::string& source, const TProgress& progress);
// The whole packed block; raises EPackedDataError when it is damaged.
std::string UnpackInSlices(const std::string& packed, const TProgress& progress);
