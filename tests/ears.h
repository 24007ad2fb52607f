#pragma once

#include "sim/virtual_device.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

// What a virtual device heard and said, taken from its own thread: its trace lines, a request
// "<- 01 20 00 39 C0", a reply "-> ...".
class Ears {
public:
    stepbench::sim::DeviceOptions options(stepbench::sim::DeviceOptions o = {}) {
        o.trace = [this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
        };
        return o;
    }
    std::vector<std::string> lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    int requests() {
        std::lock_guard lock(mutex_);
        return int(std::count_if(lines_.begin(), lines_.end(),
                                 [](const std::string& l) { return l.starts_with("<-"); }));
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};
