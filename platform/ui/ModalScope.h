#pragma once
// Marks a modal box or dialog running its own loop: while one runs, the main loop still
// serves synchronous calls from other threads, so a thread waiting in Synchronize never
// waits for the user.
class TModalScope {
public:
    TModalScope();
    ~TModalScope();
    TModalScope(const TModalScope&) = delete;
    TModalScope& operator=(const TModalScope&) = delete;

    static bool Active();
};
