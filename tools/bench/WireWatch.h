#pragma once

// Watches what a client sends to a loopback server, on a thread of its own, and records when
// each key's marker and the answer to the end of a burst arrive, so the times do not depend on
// how often the benchmark's main thread looks.
#include "e2e/harness/LoopbackServer.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tolmix::e2e::bench {

class WireWatch {
  public:
    using Clock = std::chrono::steady_clock;

    // Watches `peer` for at most `timeout`: every occurrence of `marker` (none when empty) and
    // the first of `answer`.
    WireWatch(LoopbackServer::Peer& peer, std::string answer, std::string marker,
              std::chrono::milliseconds timeout)
        : peer_(peer), answer_(std::move(answer)), marker_(std::move(marker)),
          deadline_(Clock::now() + timeout) {
        thread_ = std::thread([this] { Run(); });
    }
    ~WireWatch() {
        stop_ = true;
        thread_.join();
    }
    WireWatch(const WireWatch&) = delete;
    WireWatch& operator=(const WireWatch&) = delete;

    std::size_t Markers() const {
        std::lock_guard lock(mutex_);
        return markers_.size();
    }
    std::vector<Clock::time_point> MarkerTimes() const {
        std::lock_guard lock(mutex_);
        return markers_;
    }
    std::optional<Clock::time_point> AnswerTime() const {
        std::lock_guard lock(mutex_);
        return answered_;
    }

  private:
    void Run() {
        std::string wire;
        std::size_t scanned = 0;
        while (!stop_ && Clock::now() < deadline_) {
            // Woken as soon as anything arrives.
            if (!peer_.WaitForBytes(1, std::chrono::milliseconds(20)))
                continue;
            const auto now = Clock::now();
            wire += peer_.Take();
            std::lock_guard lock(mutex_);
            for (std::size_t at;
                 !marker_.empty() && (at = wire.find(marker_, scanned)) != std::string::npos;) {
                markers_.push_back(now);
                scanned = at + marker_.size();
            }
            if (!answered_ && wire.find(answer_) != std::string::npos)
                answered_ = now;
        }
    }

    LoopbackServer::Peer& peer_;
    const std::string answer_;
    const std::string marker_;
    const Clock::time_point deadline_;
    mutable std::mutex mutex_;
    std::vector<Clock::time_point> markers_;
    std::optional<Clock::time_point> answered_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace tolmix::e2e::bench
