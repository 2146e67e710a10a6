#include "usbdriver/host/DeviceLanes.h"

#include <chrono>

namespace qda {
namespace {
// A lane's thread waits this long for more work before it ends, so that the requests of one
// call (exchange, then status) do not each start a thread.
constexpr auto kLinger = std::chrono::seconds(2);
}  // namespace

CDeviceLanes::~CDeviceLanes() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_stopping = true;
    m_cv.notify_all();
    m_cv.wait(lock, [this] {
        for (const auto& [key, lane] : m_lanes)
            if (lane.running) return false;
        return true;
    });
    std::deque<std::thread> threads = std::move(m_finished);
    for (auto& [key, lane] : m_lanes)
        if (lane.thread.joinable()) threads.push_back(std::move(lane.thread));
    lock.unlock();
    for (std::thread& t : threads) t.join();
}

void CDeviceLanes::Post(const void* key, Job job) {
    std::deque<std::thread> finished;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        finished.swap(m_finished);
        Lane& lane = m_lanes[key];
        lane.jobs.push_back(std::move(job));
        if (lane.running) {
            m_cv.notify_all();
        } else {
            if (lane.thread.joinable()) finished.push_back(std::move(lane.thread));
            lane.running = true;
            lane.thread = std::thread([this, key] { Run(key); });
        }
    }
    for (std::thread& t : finished) t.join();
}

void CDeviceLanes::Run(const void* key) {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        Lane& lane = m_lanes[key];
        if (lane.jobs.empty()) {
            const bool more = m_cv.wait_for(lock, kLinger, [&] { return !lane.jobs.empty() || m_stopping; });
            if (!more || lane.jobs.empty()) {
                lane.running = false;
                // The thread object is joined by whoever comes next; erasing the lane here would
                // destroy a joinable thread.
                m_finished.push_back(std::move(lane.thread));
                m_lanes.erase(key);
                m_cv.notify_all();
                return;
            }
        }
        Job job = std::move(lane.jobs.front());
        lane.jobs.pop_front();
        lock.unlock();
        job();
        job = nullptr;  // what the job holds goes before the lock is taken again
        lock.lock();
    }
}

}  // namespace qda
