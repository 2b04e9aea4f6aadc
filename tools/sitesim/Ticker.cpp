#include "tools/sitesim/Ticker.h"

#include <chrono>

Ticker::Ticker(double seconds, std::function<void()> step) {
    if (seconds <= 0)
        return;
    const auto period = std::chrono::duration<double>(seconds);
    m_thread = std::thread([this, period, step = std::move(step)] {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_wake.wait_for(lock, period, [this] { return m_stopping; })) {
            lock.unlock();
            step();
            lock.lock();
        }
    });
}

Ticker::~Ticker() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}
