#include "runtime/key_leds.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/card_bus.h"
#include "platform/machine.h"
#include "rig/console.h"
#include "runtime/card_discovery.h"
#include "runtime/config_records.h"
#include "runtime/key_reader.h"

namespace {

using namespace runtime::keys;

using platform::LedState;
using Words = std::vector<uint16_t>;

constexpr int kConsoleSlot = 0;
constexpr uint32_t kBaseCell = 0x428;
constexpr uint32_t kReadCell = 0x42A;
constexpr uint32_t kWriteCell = 0x42C;
constexpr uint32_t kRingBytes = 96;

// Demo layout: key 33 is column 2, row 3; its second LED is 8 rows below.
constexpr int16_t kKey33 = 33;
constexpr int kKey33Row = 3;
constexpr int kKey33Column = 2;
constexpr int kKey33SecondRow = 11;
// A code the demo layout leaves without a key.
constexpr int16_t kKeyWithoutLed = 519;
constexpr int16_t kEsc = runtime::KEY_ESC;

// The offsets line of keyboard.cfg in the demo layout.
const std::string kDemoOffsetsLine = " 0                               8";

std::string offsets_line(int column, int row) {
    std::string line = " " + std::to_string(column);
    line.resize(33, ' ');
    return line + std::to_string(row);
}

class KeyLeds : public ::testing::Test {
protected:
    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();

    platform::CardBus& cards() { return rig.machine().cards; }
    uint16_t cell(uint32_t offset) { return cards().peek_word(kConsoleSlot, offset); }

    void start(const platform::CardSettings& card = rig::demo_console_card()) {
        cards().fit(kConsoleSlot, card);
        rig::start_console(rig, dir, false);
        ASSERT_FALSE(rig.finished());
        // Whatever start-up sent is taken; tests then read the ring themselves.
        cards().consume_led_ring(kConsoleSlot);
        cards().hold_led_ring(kConsoleSlot, true);
    }

    void start_with_offsets(int column, int row) {
        std::string layout = rig::demo_keyboard_config();
        const size_t at = layout.find(kDemoOffsetsLine);
        ASSERT_NE(at, std::string::npos);
        layout.replace(at, kDemoOffsetsLine.size(), offsets_line(column, row));
        dir.write_text("keyboard.cfg", layout);
        start();
    }

    // The words between the read and the write pointer, oldest first.
    Words ring_words() {
        const uint32_t base = cell(kBaseCell);
        uint32_t read = cell(kReadCell);
        const uint32_t write = cell(kWriteCell);
        Words words;
        for (uint32_t n = 0; read != write && n < kRingBytes / 2; ++n) {
            words.push_back(cell(read - 0x4000));
            read += 2;
            if (read >= base + kRingBytes) read = base;
        }
        return words;
    }

    void take() { cards().consume_led_ring(kConsoleSlot); }

    std::vector<uint8_t> device_bytes_since(uint64_t total) {
        const auto& log = rig.machine().keyboard.device_bytes;
        std::vector<uint8_t> bytes;
        for (uint64_t i = total; i < log.total; ++i) bytes.push_back(log.at(static_cast<size_t>(i - (log.total - log.size()))));
        return bytes;
    }
};

// --- per-colour command words ---------------------------------------------

struct Transition {
    uint8_t from;
    uint8_t to;
    Words words;
    LedState first;
    LedState second;
};

TEST_F(KeyLeds, EachCallSendsOneWordPerColourThatChanges) {
    start();
    const std::vector<Transition> cases = {
        {0, 1, {0x8302}, LedState::lit, LedState::off},
        {1, 1, {}, LedState::lit, LedState::off},
        {1, 3, {0x8B02}, LedState::lit, LedState::lit},
        {3, 0, {0x0302, 0x0B02}, LedState::off, LedState::off},
        {3, 1, {0x0B02}, LedState::lit, LedState::off},
        {0, 2, {0x8B02}, LedState::off, LedState::lit},
        {2, 0, {0x0B02}, LedState::off, LedState::off},
        {1, 2, {0x0302, 0x8B02}, LedState::off, LedState::lit},
        {0, 10, {0xC302, 0x0B02}, LedState::blinking, LedState::off},
        {10, 10, {}, LedState::blinking, LedState::off},
        {1, 10, {0xC302, 0x0B02}, LedState::blinking, LedState::off},
        {0, 20, {0x0302, 0xCB02}, LedState::off, LedState::blinking},
        {0, 30, {0xC302, 0xCB02}, LedState::blinking, LedState::blinking},
        {30, 3, {0x8302, 0x8B02}, LedState::lit, LedState::lit},
        {10, 20, {0x0302, 0xCB02}, LedState::off, LedState::blinking},
        {20, 10, {0xC302, 0x0B02}, LedState::blinking, LedState::off},
        {30, 0, {0x0302, 0x0B02}, LedState::off, LedState::off},
    };
    for (const Transition& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
        runtime::set_key_led(kKey33, c.from);
        take();
        runtime::set_key_led(kKey33, c.to);
        EXPECT_EQ(ring_words(), c.words);
        take();
        EXPECT_EQ(rig.led(kKey33Row, kKey33Column), c.first);
        EXPECT_EQ(rig.led(kKey33SecondRow, kKey33Column), c.second);
        EXPECT_EQ(runtime::key_led_cache[kKey33], c.to);
    }
}

TEST_F(KeyLeds, FirmwareTakesTheWordsAsTheConsoleRuns) {
    start();
    cards().hold_led_ring(kConsoleSlot, false);
    runtime::set_key_led(5, runtime::LED_ON_BOTH);
    runtime::set_key_led(6, runtime::LED_BLINK_2);
    rig.run_ms(2);
    EXPECT_EQ(rig.key_led(5), LedState::lit);
    EXPECT_EQ(rig.led(8, 4), LedState::lit);
    EXPECT_EQ(rig.key_led(6), LedState::off);
    EXPECT_EQ(rig.led(8, 5), LedState::blinking);

    // Repeated calls with the same states stay off the ring.
    const uint16_t write = cell(kWriteCell);
    for (int i = 0; i < 10; ++i) {
        runtime::set_key_led(5, runtime::LED_ON_BOTH);
        runtime::set_key_led(6, runtime::LED_BLINK_2);
    }
    EXPECT_EQ(cell(kWriteCell), write);
}

TEST_F(KeyLeds, SecondLedLiesAtTheOffsetsOfTheKeyLayout) {
    start_with_offsets(5, 2);
    runtime::set_key_led(kKey33, runtime::LED_ON_BOTH);
    EXPECT_EQ(ring_words(), (Words{0x8302, 0x8507}));
    take();
    EXPECT_EQ(rig.led(5, 7), LedState::lit);
    EXPECT_EQ(rig.led(kKey33SecondRow, kKey33Column), LedState::off);
}

// A second LED that no command word can address (row 3 + 70) is left out;
// its row would otherwise spill into the flag bits.
TEST_F(KeyLeds, SecondLedBeyondTheWordIsNotSent) {
    start_with_offsets(0, 70);
    runtime::set_key_led(kKey33, runtime::LED_ON_BOTH);
    EXPECT_EQ(ring_words(), (Words{0x8302}));
    EXPECT_EQ(runtime::key_led_cache[kKey33], runtime::LED_ON_BOTH);
}

TEST_F(KeyLeds, KeyWithoutLedOnlyUpdatesTheCache) {
    start();
    ASSERT_EQ(runtime::key_led_column[kKeyWithoutLed], runtime::kNoLed);
    runtime::set_key_led(kKeyWithoutLed, runtime::LED_BLINK);
    EXPECT_TRUE(ring_words().empty());
    EXPECT_EQ(runtime::key_led_cache[kKeyWithoutLed], runtime::LED_BLINK);
    // Codes outside 0..519 are ignored.
    runtime::set_key_led(-1, runtime::LED_ON);
    runtime::set_key_led(520, runtime::LED_ON);
    runtime::set_key_led(32767, runtime::LED_ON);
    EXPECT_TRUE(ring_words().empty());
}

// The cache still records the state: dialogs read it to toggle and restore LEDs.
TEST_F(KeyLeds, WithoutTheHardwareKeysOptionNothingIsSentButTheStateIsKept) {
    platform::CardSettings card = rig::demo_console_card();
    card.options = 0x0F;  // no hardware keys
    start(card);
    ASSERT_EQ(runtime::hw_option_flags.hardware_keys, 0);
    runtime::set_key_led(kKey33, runtime::LED_ON);
    runtime::set_key_led(KEY_BANK_DOWN, runtime::LED_ON);
    EXPECT_TRUE(ring_words().empty());
    EXPECT_EQ(runtime::key_led_cache[kKey33], runtime::LED_ON);
    EXPECT_EQ(runtime::key_led_cache[KEY_BANK_DOWN], runtime::LED_ON);
    EXPECT_TRUE(rig.machine().keyboard.led(1));  // the small console's LEDs work on
}

// --- firmware versions ------------------------------------------------------

struct FirmwareCase {
    std::string version;
    int16_t key;
    int column;
    bool sent;
};

void PrintTo(const FirmwareCase& c, std::ostream* out) {
    *out << "firmware " << c.version << ", key " << c.key << " in column " << c.column;
}

std::string firmware_case_name(const ::testing::TestParamInfo<FirmwareCase>& info) {
    return "firmware" + info.param.version + "column" + std::to_string(info.param.column);
}

class KeyLedFirmware : public KeyLeds, public ::testing::WithParamInterface<FirmwareCase> {};

TEST_P(KeyLedFirmware, OldFirmwareDropsColumnsAbove39) {
    const FirmwareCase c = GetParam();
    platform::CardSettings card = rig::demo_console_card();
    card.firmware_version = {static_cast<uint8_t>(c.version[0]), static_cast<uint8_t>(c.version[1]),
                             static_cast<uint8_t>(c.version[2])};
    start(card);
    ASSERT_EQ(runtime::key_led_column[static_cast<size_t>(c.key)], c.column);
    runtime::set_key_led(c.key, runtime::LED_ON);
    const uint16_t word = static_cast<uint16_t>(0x8000 | 4 << 8 | c.column);
    EXPECT_EQ(ring_words(), c.sent ? Words{word} : Words{});
    take();
    EXPECT_EQ(rig.key_led(c.key), c.sent ? LedState::lit : LedState::off);
    EXPECT_EQ(runtime::key_led_cache[static_cast<size_t>(c.key)], runtime::LED_ON);
}

// FREEZE and CLR sit in row 4, columns 39 and 40.
INSTANTIATE_TEST_SUITE_P(Versions, KeyLedFirmware,
                         ::testing::Values(FirmwareCase{"337", KEY_FREEZE, 39, true},
                                           FirmwareCase{"337", KEY_CLR, 40, false},
                                           FirmwareCase{"338", KEY_CLR, 40, true},
                                           FirmwareCase{"400", KEY_CLR, 40, true}),
                         firmware_case_name);

// --- the ring ---------------------------------------------------------------

TEST_F(KeyLeds, FullRingGivesUpWithoutTouchingTheCache) {
    start();
    runtime::reset_led_rings();  // every cache entry 0: each LED_ON below is one word
    take();
    const uint16_t read = cell(kReadCell);
    for (int16_t key = 1; key <= 44; ++key) runtime::set_key_led(key, runtime::LED_ON);
    EXPECT_EQ(ring_words().size(), 44u);
    EXPECT_EQ(runtime::key_led_cache[44], runtime::LED_ON);
    EXPECT_EQ(cell(kReadCell), read);

    const uint16_t write = cell(kWriteCell);
    runtime::set_key_led(45, runtime::LED_ON);  // 88 bytes ahead: no room
    EXPECT_EQ(cell(kWriteCell), write);
    EXPECT_EQ(runtime::key_led_cache[45], runtime::LED_OFF);

    take();
    EXPECT_EQ(rig.key_led(44), LedState::lit);
    EXPECT_EQ(rig.key_led(45), LedState::off);
    runtime::set_key_led(45, runtime::LED_ON);  // room again
    EXPECT_EQ(ring_words(), (Words{0x8404}));
    EXPECT_EQ(runtime::key_led_cache[45], runtime::LED_ON);
}

// Two fillings of a held ring cross its end at least once: every word lands
// inside the ring and the firmware takes them all in order.
TEST_F(KeyLeds, RingWrapsAtItsEnd) {
    start();
    runtime::reset_led_rings();
    take();
    const uint32_t base = cell(kBaseCell);
    const size_t consumed_before = cards().led_words_consumed(kConsoleSlot).size();
    Words sent;
    for (int round = 0; round < 2; ++round) {
        const uint8_t state = round == 0 ? runtime::LED_ON : runtime::LED_OFF;
        for (int16_t key = 1; key <= 44; ++key) {
            const uint32_t write = cell(kWriteCell);
            runtime::set_key_led(key, state);
            const uint32_t expected = write + 2 == base + kRingBytes ? base : write + 2;
            ASSERT_EQ(cell(kWriteCell), expected) << "round " << round << " key " << key;
            sent.push_back(cell(write - 0x4000));
        }
        take();
    }
    const Words consumed = cards().led_words_consumed(kConsoleSlot);
    ASSERT_EQ(consumed.size(), consumed_before + sent.size());
    EXPECT_EQ(Words(consumed.begin() + static_cast<long>(consumed_before), consumed.end()), sent);
    EXPECT_EQ(rig.key_led(1), LedState::off);
    EXPECT_EQ(sent.front(), 0x8000);
    EXPECT_EQ(sent.back(), 0x0403);  // key 44 off: column 3, row 4
}

TEST_F(KeyLeds, InvalidRingPointersLeaveRingAndCacheAlone) {
    start();
    const uint16_t base = cell(kBaseCell);
    cards().poke_word(kConsoleSlot, kWriteCell, 0x0000);
    runtime::set_key_led(kKey33, runtime::LED_ON);
    EXPECT_EQ(runtime::key_led_cache[kKey33], runtime::LED_OFF);

    // A write pointer past the ring's end: nothing is written there.
    const uint32_t past_end = base + kRingBytes;
    cards().poke_word(kConsoleSlot, kReadCell, static_cast<uint16_t>(past_end));
    cards().poke_word(kConsoleSlot, kWriteCell, static_cast<uint16_t>(past_end));
    const uint16_t beyond = cell(past_end - 0x4000);
    runtime::set_key_led(kKey33, runtime::LED_ON);
    EXPECT_EQ(cell(past_end - 0x4000), beyond);
    EXPECT_EQ(cell(kWriteCell), past_end);
    EXPECT_EQ(runtime::key_led_cache[kKey33], runtime::LED_OFF);
}

TEST_F(KeyLeds, ResetDropsUnsentWordsAndSwitchesEveryLedOff) {
    start();
    cards().hold_led_ring(kConsoleSlot, false);
    runtime::set_key_led(3, runtime::LED_ON);
    runtime::set_key_led(KEY_BANK_DOWN, runtime::LED_ON);
    rig.run_ms(2);
    ASSERT_EQ(rig.key_led(3), LedState::lit);
    cards().hold_led_ring(kConsoleSlot, true);
    runtime::set_key_led(1, runtime::LED_ON);
    runtime::set_key_led(2, runtime::LED_BLINK);
    ASSERT_EQ(ring_words(), (Words{0x8000, 0xC001, 0x0801}));
    const uint64_t device_total = rig.machine().keyboard.device_bytes.total;
    const size_t consumed_before = cards().led_words_consumed(kConsoleSlot).size();

    runtime::reset_led_rings();
    EXPECT_EQ(ring_words(), (Words{0x7000}));
    take();
    const Words consumed = cards().led_words_consumed(kConsoleSlot);
    EXPECT_EQ(Words(consumed.begin() + static_cast<long>(consumed_before), consumed.end()), (Words{0x7000}));
    EXPECT_EQ(rig.key_led(1), LedState::off);
    EXPECT_EQ(rig.key_led(2), LedState::off);
    EXPECT_EQ(rig.key_led(3), LedState::off);
    for (size_t key = 0; key < runtime::key_led_cache.size(); ++key) ASSERT_EQ(runtime::key_led_cache[key], 0) << key;
    EXPECT_EQ(device_bytes_since(device_total), (std::vector<uint8_t>{0xC0, 0x65}));
    EXPECT_FALSE(rig.machine().keyboard.led(1));

    // Both caches start again: the same states are sent once more.
    runtime::set_key_led(3, runtime::LED_ON);
    runtime::set_key_led(KEY_BANK_DOWN, runtime::LED_ON);  // column 10, row 0 on the console too
    EXPECT_EQ(ring_words(), (Words{0x8002, 0x800A}));
    EXPECT_EQ(device_bytes_since(device_total), (std::vector<uint8_t>{0xC0, 0x65, 0xE5, 0x48}));
}

// --- small console LEDs -------------------------------------------------------

TEST_F(KeyLeds, SmallConsoleKeysDriveTheDeviceLeds) {
    start();
    runtime::reset_led_rings();  // whatever start-up lit is forgotten
    struct Case {
        int16_t key;
        uint8_t state;
        std::vector<uint8_t> bytes;
    };
    const std::vector<Case> cases = {
        {KEY_BANK_DOWN, runtime::LED_ON, {0xE5, 0x48}},
        {KEY_BANK_DOWN, runtime::LED_ON, {}},           // unchanged
        {KEY_BANK_DOWN, runtime::LED_ON_BOTH, {}},      // only states 0 and 1 reach the device
        {KEY_BANK_DOWN, runtime::LED_BLINK, {}},
        {KEY_BANK_UP, runtime::LED_ON, {0xE5, 0x50}},
        {KEY_CUE, runtime::LED_ON, {0xE5, 0x58}},
        {KEY_PRESET_2, runtime::LED_ON, {0xE5, 0x60}},
        {KEY_PRESET_4, runtime::LED_ON, {}},          // the four preset keys share LED 4
        {KEY_PRESET_3, runtime::LED_OFF, {0xE5, 0x20}},
        {KEY_PREDEFINED, runtime::LED_ON, {0xE5, 0x68}},
        {KEY_MODE, runtime::LED_ON, {}},
        {KEY_BANK_DOWN, runtime::LED_OFF, {0xE5, 0x08}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("key " + std::to_string(c.key) + " state " + std::to_string(c.state));
        const uint64_t total = rig.machine().keyboard.device_bytes.total;
        runtime::set_key_led(c.key, c.state);
        EXPECT_EQ(device_bytes_since(total), c.bytes);
    }
    const auto& keyboard = rig.machine().keyboard;
    EXPECT_FALSE(keyboard.led(1));
    EXPECT_TRUE(keyboard.led(2));
    EXPECT_TRUE(keyboard.led(3));
    EXPECT_FALSE(keyboard.led(4));
    EXPECT_TRUE(keyboard.led(5));
    // The console LEDs of those keys follow as usual.
    take();
    EXPECT_EQ(rig.key_led(KEY_BANK_UP), LedState::lit);
}

// --- key-release waits --------------------------------------------------------

// Stands between the rig and the console's input step, so that something can
// happen at a given time while the test itself waits inside console code.
struct TimedActions {
    platform::Machine* machine = nullptr;
    platform::RunHooks rig_hooks;
    std::vector<std::pair<uint64_t, std::function<void()>>> actions;

    static void poll(void* context) {
        auto* self = static_cast<TimedActions*>(context);
        self->rig_hooks.poll(self->rig_hooks.context);
        for (auto& [at_ms, action] : self->actions) {
            if (action && self->machine->clock.now_ms >= at_ms) {
                const auto run = std::move(action);
                action = nullptr;
                run();
            }
        }
    }
    static void delay(void* context, uint32_t delay_ms) {
        auto* self = static_cast<TimedActions*>(context);
        self->rig_hooks.delay(self->rig_hooks.context, delay_ms);
    }
    static void exit(void* context, int code) {
        auto* self = static_cast<TimedActions*>(context);
        self->rig_hooks.exit(self->rig_hooks.context, code);
    }
};

class KeyReleaseWait : public ::testing::Test {
protected:
    TimedActions timed;  // outlives the rig
    rig::Rig rig;
    rig::ProgramDir dir = rig::ProgramDir::demo();

    void SetUp() override {
        rig::start_console(rig, dir);
        ASSERT_FALSE(rig.finished());
        timed.machine = &rig.machine();
        timed.rig_hooks = rig.machine().hooks;
        rig.machine().hooks = platform::RunHooks{&timed, &TimedActions::poll, &TimedActions::delay, &TimedActions::exit};
    }
    void TearDown() override { rig.machine().hooks = timed.rig_hooks; }

    void press(int16_t key) {
        rig.machine().cards.press(kConsoleSlot, runtime::key_led_row[static_cast<size_t>(key)],
                                  runtime::key_led_column[static_cast<size_t>(key)]);
    }
    void release(int16_t key) {
        rig.machine().cards.release(kConsoleSlot, runtime::key_led_row[static_cast<size_t>(key)],
                                    runtime::key_led_column[static_cast<size_t>(key)]);
    }
    void at(uint64_t after_ms, std::function<void()> action) {
        timed.actions.emplace_back(rig.now_ms() + after_ms, std::move(action));
    }

    // A press of the key that the console has read: the key is held.
    void hold(int16_t key) {
        press(key);
        int16_t read = 0;
        ASSERT_TRUE(runtime::get_key(&read));
        ASSERT_EQ(read, key);
        ASSERT_EQ(runtime::key_down_table[static_cast<size_t>(key)], 1);
    }

    uint64_t timed_wait(void (*wait)(int16_t), int16_t key) {
        const uint64_t start_ms = rig.now_ms();
        wait(key);
        return rig.now_ms() - start_ms;
    }

    bool fifo_empty() {
        return rig.machine().cards.peek_word(kConsoleSlot, 0x422) == rig.machine().cards.peek_word(kConsoleSlot, 0x424);
    }
};

TEST_F(KeyReleaseWait, KeyNotHeldReturnsAtOnce) {
    const uint64_t polls = rig.polls();
    EXPECT_EQ(timed_wait(&runtime::wait_key_release, 1), 0u);
    EXPECT_EQ(timed_wait(&runtime::wait_key_release_long, 1), 0u);
    EXPECT_EQ(rig.polls(), polls);
}

TEST_F(KeyReleaseWait, ReleaseEndsTheWait) {
    hold(1);
    at(300, [this] { release(1); });
    const uint64_t waited = timed_wait(&runtime::wait_key_release, 1);
    EXPECT_GE(waited, 300u);
    EXPECT_LE(waited, 310u);
    EXPECT_EQ(runtime::key_down_table[1], 0);
}

TEST_F(KeyReleaseWait, HeldKeyEndsTheWaitAfterOneSecond) {
    hold(1);
    const uint64_t waited = timed_wait(&runtime::wait_key_release, 1);
    EXPECT_GT(waited, 1000u);
    EXPECT_LE(waited, 1005u);
    EXPECT_EQ(runtime::key_down_table[1], 1);
}

TEST_F(KeyReleaseWait, LongWaitEndsAfterTwoSeconds) {
    hold(1);
    const uint64_t waited = timed_wait(&runtime::wait_key_release_long, 1);
    EXPECT_GT(waited, 2000u);
    EXPECT_LE(waited, 2005u);
}

TEST_F(KeyReleaseWait, EscOnTheConsoleEndsTheWait) {
    hold(1);
    at(200, [this] { press(kEsc); });
    const uint64_t waited = timed_wait(&runtime::wait_key_release_long, 1);
    EXPECT_GE(waited, 200u);
    EXPECT_LE(waited, 210u);
    EXPECT_EQ(runtime::key_down_table[1], 1);
}

TEST_F(KeyReleaseWait, EscOnThePcKeyboardEndsTheWait) {
    hold(1);
    at(150, [this] { rig.type("\x1b"); });
    const uint64_t waited = timed_wait(&runtime::wait_key_release_long, 1);
    EXPECT_GE(waited, 150u);
    EXPECT_LE(waited, 160u);
}

TEST_F(KeyReleaseWait, OtherKeysAreConsumedWithoutEndingTheWait) {
    hold(1);
    at(100, [this] { press(5); });
    at(150, [this] { release(5); });
    at(400, [this] { release(1); });
    const uint64_t waited = timed_wait(&runtime::wait_key_release, 1);
    EXPECT_GE(waited, 400u);
    EXPECT_LE(waited, 410u);
    EXPECT_TRUE(fifo_empty());
    EXPECT_EQ(runtime::key_down_table[5], 0);
}

}  // namespace
