#pragma once
// Where the device control requests of the clients run: one lane per device, a thread that takes
// that device's requests one after the other (the exchange lock: two programs never interleave
// their transfers on the bus). The socket thread only queues work here, so a controller that
// stays silent holds up its own lane and nothing else: handshakes, other clients' replies and a
// device that arrived since keep being served.
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace qda {

class CDeviceLanes {
public:
    using Job = std::function<void()>;
    CDeviceLanes() = default;
    // Waits for every queued job to finish.
    ~CDeviceLanes();
    CDeviceLanes(const CDeviceLanes&) = delete;
    CDeviceLanes& operator=(const CDeviceLanes&) = delete;

    // Runs `job` on the lane of `key` after the jobs queued there before it.
    void Post(const void* key, Job job);

private:
    struct Lane {
        std::deque<Job> jobs;
        std::thread thread;
        bool running = false;
    };
    void Run(const void* key);

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::map<const void*, Lane> m_lanes;
    std::deque<std::thread> m_finished;  // lane threads that ended, joined on the next Post
    bool m_stopping = false;
};

}  // namespace qda
