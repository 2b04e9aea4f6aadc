#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Calls a function every period on a thread of its own until destroyed.
class Ticker {
public:
    Ticker(double seconds, std::function<void()> step);
    ~Ticker();
    Ticker(const Ticker&) = delete;
    Ticker& operator=(const Ticker&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;
};
