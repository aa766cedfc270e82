// The cue tools and edit keys at the running console: a dialog fixture with
// the two-colour LED state of a key, the calls the unbuilt parts were asked,
// and helpers that programme cue slots.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "datafiles/cue_files.h"
#include "datafiles/record_files.h"
#include "memcheck/memcheck.h"
#include "platform/speaker.h"
#include "playback/cue_tables.h"
#include "runtime/config_records.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/step_log.h"

namespace cue_tools_test {

using Calls = std::vector<std::string>;

class CueTools : public dialog_test::ConsoleDialog {
protected:
    // The LED state of a key as the console's LED states name it (0 off, 1
    // and 2 the colours, 3 both, 10, 20, 30 the same blinking), read from
    // the card's two LEDs of the key.
    uint8_t led(int16_t key) const {
        const int row = runtime::key_led_row[static_cast<size_t>(key)];
        const int column = runtime::key_led_column[static_cast<size_t>(key)];
        const platform::LedState first = rig_.led(row, column);
        const platform::LedState second =
            rig_.led(row + runtime::second_led_offsets.row, column + runtime::second_led_offsets.column);
        const bool blinking = first == platform::LedState::blinking || second == platform::LedState::blinking;
        const int colours = (first != platform::LedState::off ? 1 : 0) + (second != platform::LedState::off ? 2 : 0);
        return static_cast<uint8_t>(blinking ? colours * 10 : colours);
    }

    // The calls of the unbuilt parts whose name starts with prefix, in order.
    static Calls calls_to(const std::string& prefix) {
        Calls found;
        for (const std::string& call : runtime::logged_calls()) {
            if (call.rfind(prefix, 0) == 0) found.push_back(call);
        }
        return found;
    }

    // The calls whose name starts with any of the prefixes, in the order made.
    static Calls calls_to_any(std::initializer_list<std::string> prefixes) {
        Calls found;
        for (const std::string& call : runtime::logged_calls()) {
            for (const std::string& prefix : prefixes) {
                if (call.rfind(prefix, 0) == 0) {
                    found.push_back(call);
                    break;
                }
            }
        }
        return found;
    }

    bool heard(int32_t freq_hz, uint64_t duration_ms) const {
        const auto tones = rig_.tones();
        return std::any_of(tones.begin(), tones.end(), [&](const platform::Tone& tone) {
            return tone.freq_hz == freq_hz && tone.duration_ms == duration_ms;
        });
    }

    // The point-cue record of a slot as cuemem.dat holds it; false when the
    // file has no record there.
    bool stored_pointcue(int slot, playback::PointcueRecord& record) const {
        const std::vector<uint8_t> bytes = dir_.read_file("data/cuemem.dat");
        const auto entry = static_cast<size_t>(datafiles::index_position(datafiles::kPointcueFile, slot));
        if (bytes.size() < entry + datafiles::kCueHeaderBytes) return false;
        datafiles::CueHeader header;
        datafiles::decode(std::span<const uint8_t, datafiles::kCueHeaderBytes>(bytes.data() + entry,
                                                                                datafiles::kCueHeaderBytes),
                          header);
        if (header.offset < 0) return false;
        const size_t at = static_cast<size_t>(header.offset) + datafiles::tag_chars(datafiles::kPointcueFile);
        if (bytes.size() < at + playback::kPointcueRecordBytes) return false;
        datafiles::decode(std::span<const uint8_t, playback::kPointcueRecordBytes>(bytes.data() + at,
                                                                                   playback::kPointcueRecordBytes),
                          record);
        return true;
    }

    void hold(int16_t key) {
        rig_.hold(key);
        rig_.run_ms(60);
    }
    void release(int16_t key) {
        rig_.release(key);
        rig_.run_ms(60);
    }
};

// The whole console, started as at the operator's desk: its main loop hands
// the keys to the key dispatcher, which starts the held commands.
class RunningConsole : public CueTools {
protected:
    void SetUp() override {
        rig::start_console(rig_, dir_);
        ASSERT_FALSE(rig_.finished());
        rig_.run_ms(20);
    }
    // Puts a command's key down and lets its opening beep pass.
    void hold_command(int16_t key) {
        rig_.hold(key);
        rig_.run_ms(300);
    }
};

// A record in a cue table, allocated as the cue files allocate theirs (the
// clean start frees it).
template <typename Record>
Record& put_record(Record*& entry) {
    if (entry != nullptr) memcheck::mc_free_at(entry, __FILE__, __LINE__);
    entry = new (memcheck::mc_malloc_at(sizeof(Record), __FILE__, __LINE__)) Record{};
    entry->flags = playback::CUE_RECORD_IN_CUE;
    return *entry;
}

// Marks a cue slot programmed, with a point-cue record in use of the given cue memory.
inline playback::PointcueRecord& programme_slot(int slot, int16_t cue_memory = 0) {
    playback::cue_header_table[static_cast<size_t>(slot)].programmed = 1;
    playback::PointcueRecord& record = put_record(playback::cue_pointcue_table[static_cast<size_t>(slot)]);
    record.point_memory = cue_memory;
    return record;
}

// A programmed snapshot of playback 1..42 or sequence 1..4 in a cue slot.
inline void programme_playback_snapshot(int slot, int p) {
    put_record(playback::cue_playback_table[static_cast<size_t>((slot - 1) * playback::kPlaybacks + p)]).memory = 1;
}
inline void programme_sequence_snapshot(int slot, int s) {
    put_record(playback::cue_sequence_table[static_cast<size_t>((slot - 1) * playback::kSequences + s)]);
}

}  // namespace cue_tools_test
