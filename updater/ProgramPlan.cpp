#include "updater/ProgramPlan.h"

#include <algorithm>

std::vector<EraseStep> PlanProgramming(const FirmwareImage& image, const McuInfo& info) {
    std::vector<EraseStep> plan;
    for (const auto& range : info.ranges) {
        for (uint32_t block = range.first; block <= range.last; block += info.eraseSize) {
            EraseStep step{uint16_t(block), {}};
            const uint32_t end =
                std::min<uint32_t>(block + info.eraseSize, uint32_t(range.last) + 1);
            for (uint32_t address = block; address < end; ++address) {
                if (!image.defined[address])
                    continue;
                const bool continues =
                    !step.pieces.empty() &&
                    step.pieces.back().address + step.pieces.back().data.size() == address &&
                    address % info.writeSize != 0;
                if (!continues)
                    step.pieces.push_back({uint16_t(address), {}});
                step.pieces.back().data.push_back(char(image.bytes[address]));
            }
            if (!step.pieces.empty())
                plan.push_back(std::move(step));
        }
    }
    std::sort(plan.begin(), plan.end(),
              [](const EraseStep& a, const EraseStep& b) { return a.address < b.address; });
    return plan;
}

size_t PlannedBytes(const std::vector<EraseStep>& plan) {
    size_t total = 0;
    for (const auto& step : plan)
        for (const auto& piece : step.pieces)
            total += piece.data.size();
    return total;
}
