#include "tools/lumivox-sim/SimSetup.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {
bool SaveImage(const std::string& path, const SettingsUnit::Image& image) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
        if (!out.flush())
            return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

bool LoadImage(const std::string& path, SettingsUnit::Image& image, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    if (!in.eof() && in.fail()) {
        error = "cannot read " + path;
        return false;
    }
    if (bytes.size() != image.size()) {
        error = path + " holds " + std::to_string(bytes.size()) + " bytes, not " +
                std::to_string(image.size());
        return false;
    }
    std::copy(bytes.begin(), bytes.end(), image.begin());
    return true;
}

bool MakeSettingsUnit(const SimOptions& options, SimulatedUnit& unit, std::string& error) {
    auto engine = std::make_unique<SettingsUnit>(options.settingsFaults);
    const std::string path = options.settingsFile;
    if (!path.empty()) {
        SettingsUnit::Image image{};
        if (std::filesystem::exists(path)) {
            if (!LoadImage(path, image, error))
                return false;
            engine->SetContents(image);
        } else if (!SaveImage(path, engine->Contents())) {
            error = "cannot create " + path;
            return false;
        }
        SettingsUnit* unitPtr = engine.get();
        engine->OnImageChanged = [unitPtr, path] { SaveImage(path, unitPtr->Contents()); };
    }
    unit.engine = std::move(engine);
    return true;
}

bool MakeBootUnit(const SimOptions& options, SimulatedUnit& unit, std::string& error) {
    unit.flash = std::make_unique<FlashModel>(FlashLayout::Default());
    FlashModel* flash = unit.flash.get();
    const std::string path = options.flashFile;
    if (!path.empty()) {
        if (std::filesystem::exists(path)) {
            if (!flash->Load(path)) {
                error = path + " is not a flash file of " + std::to_string(FlashModel::kSpace) +
                        " bytes";
                return false;
            }
        } else if (!flash->Save(path)) {
            error = "cannot create " + path;
            return false;
        }
    }
    auto engine = std::make_unique<BootLoaderUnit>(*flash, options.bootFaults);
    if (!path.empty())
        engine->OnFlashChanged = [flash, path] { flash->Save(path); };
    unit.engine = std::move(engine);
    return true;
}
} // namespace

bool MakeSimulatedUnit(const SimOptions& options, std::ostream& log, SimulatedUnit& unit,
                       std::string& error) {
    const bool made =
        options.boot ? MakeBootUnit(options, unit, error) : MakeSettingsUnit(options, unit, error);
    if (made && !options.pnpIdentification.empty())
        unit.pnp = std::make_unique<PnpDevice>(options.pnpIdentification);
    if (made)
        unit.engine->OnLog = [&log](const std::string& line) {
            log << "lumivox-sim: " << line << std::endl;
        };
    return made;
}
