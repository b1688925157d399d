#include "tools/lumivox-sim/LineServer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <thread>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

bool LineServer::Run(const std::function<bool()>& stop, int pollMs) {
    auto lastByte = Clock::now();
    // When the last byte the host has sent so far is through the line.
    auto inboundDone = lastByte;
    char buffer[4096];
    while (!stop()) {
        int wait = pollMs;
        if (!SendDueAnswers(wait))
            return false;
        if (engine_.MidCommand()) {
            const auto gap =
                std::chrono::milliseconds(timing_.idleGapMs) - (Clock::now() - lastByte);
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(gap).count();
            if (left <= 0) {
                engine_.LineIdle();
                continue;
            }
            wait = std::min<int>(wait, int(left));
        }
        pollfd entry{fd_, POLLIN, 0};
        const int ready = poll(&entry, 1, wait);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (ready == 0)
            continue;
        const ssize_t count = read(fd_, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            // EIO: no host has the line open just now.
            if (errno == EIO) {
                std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
                continue;
            }
            return false;
        }
        if (count == 0)
            continue;
        lastByte = Clock::now();
        if (timing_.pace) {
            // A pseudo-terminal hands the host's bytes over at once; a line takes its time.
            inboundDone = std::max(inboundDone, lastByte) + count * timing_.ByteTime();
            std::this_thread::sleep_until(inboundDone);
        }
        const std::string answer = engine_.Receive(std::string_view(buffer, size_t(count)));
        if (!answer.empty() && !Send(answer))
            return false;
        if (UnitEngine::LateAnswer late = engine_.TakeLateAnswer(); !late.bytes.empty())
            late_.emplace_back(Clock::now() + late.delay, std::move(late.bytes));
    }
    return true;
}

bool LineServer::SendDueAnswers(int& wait) {
    // Every late answer has the same delay, so they fall due in the order they were made.
    while (!late_.empty() && late_.front().first <= Clock::now()) {
        if (!Send(late_.front().second))
            return false;
        late_.pop_front();
    }
    if (!late_.empty()) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(late_.front().first - Clock::now());
        wait = std::min<int>(wait, int(std::max<long long>(left.count(), 0)));
    }
    return true;
}

bool LineServer::Send(const std::string& bytes) {
    if (timing_.delayMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(timing_.delayMs));
    const auto byteTime = timing_.ByteTime();
    auto due = Clock::now();
    size_t sent = 0;
    while (sent < bytes.size()) {
        size_t chunk = bytes.size() - sent;
        if (timing_.pace) {
            std::this_thread::sleep_until(due);
            due += byteTime;
            chunk = 1;
        }
        const ssize_t written = write(fd_, bytes.data() + sent, chunk);
        if (written < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        sent += size_t(written);
    }
    return true;
}
