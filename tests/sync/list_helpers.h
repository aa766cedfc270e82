// The loaded timecode list set and read as (time, text) pairs.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "runtime/step_log.h"
#include "sync/timecode_lists.h"

namespace sync_test {

using Events = std::vector<std::pair<double, std::string>>;

inline void set_list(const Events& events) {
    synchro::timecode_list.count = 0;
    for (const auto& [time, text] : events) {
        ASSERT_TRUE(synchro::insert_timecode_event(synchro::timecode_list.count + 1, time, text));
    }
}

// In place of the table editor behind the timecode screen: records the key
// it was opened with and closes at once, so the screen is tested on its own.
inline int16_t record_table_editor(int16_t key) {
    runtime::log_call("synchro::edit_timecode_table", {key});
    return 1;
}

inline Events list() {
    Events events;
    for (int32_t i = 1; i <= synchro::timecode_list.count; ++i) {
        const synchro::TimecodeEvent& e = synchro::timecode_event(i);
        events.emplace_back(e.time, std::string(synchro::event_text(e)));
    }
    return events;
}

}  // namespace sync_test
