#pragma once
// Qt's start-up ends the process with abort() when it cannot start (no display answers, no
// platform plugin loads). While a guard lives, such an end becomes exit status 1 with the
// reason and a hint on stderr.
class TToolkitStartGuard {
public:
    explicit TToolkitStartGuard(const char* failureHint);
    ~TToolkitStartGuard();
    TToolkitStartGuard(const TToolkitStartGuard&) = delete;
    TToolkitStartGuard& operator=(const TToolkitStartGuard&) = delete;
};
