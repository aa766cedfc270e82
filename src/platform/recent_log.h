// A fixed-size record of the latest events of a device.
//
// The devices log what the program did to them (bytes sent to the keyboard,
// tones, CD-ROM requests) so that tests can assert it and a long run does not
// grow without bound: the log keeps the last N entries and counts them all.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

template <typename T, size_t N>
struct RecentLog {
    std::array<T, N> entries{};
    uint64_t total = 0;  // entries ever pushed, also those no longer kept

    void push(const T& entry) {
        entries[total % N] = entry;
        ++total;
    }
    void clear() { total = 0; }
    size_t size() const { return total < N ? static_cast<size_t>(total) : N; }
    bool empty() const { return total == 0; }

    // The i-th kept entry, oldest first; T{} for an index beyond the kept ones.
    T at(size_t i) const {
        if (i >= size()) return T{};
        const uint64_t first = total - size();
        return entries[(first + i) % N];
    }
    // The newest entry; T{} when there is none.
    T last() const { return empty() ? T{} : at(size() - 1); }

    // The kept entries, oldest first (for tests; allocates).
    std::vector<T> to_vector() const {
        std::vector<T> out;
        out.reserve(size());
        for (size_t i = 0; i < size(); ++i) out.push_back(at(i));
        return out;
    }
};

}  // namespace platform
