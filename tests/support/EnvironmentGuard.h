#pragma once
// Sets environment variables for one test and puts the old values back.
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

class EnvironmentGuard {
public:
    EnvironmentGuard() = default;
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;
    ~EnvironmentGuard() {
        for (const auto& [name, value] : saved_)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
    // A null value removes the variable.
    void Set(const std::string& name, const char* value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        value ? setenv(name.c_str(), value, 1) : unsetenv(name.c_str());
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};
