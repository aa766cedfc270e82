#include "host/belt_keys.h"

#include <algorithm>
#include <string_view>

#include "host/console_card.h"

namespace host {

namespace {

// Position i of each row is belt i + 1.
constexpr std::string_view kUp = "12345678asdfghjk";
constexpr std::string_view kDown = "qwertyuizxcvbnm,";
constexpr std::string_view kUpShifted = "!@#$%^&*ASDFGHJK";
constexpr std::string_view kDownShifted = "QWERTYUIZXCVBNM<";
static_assert(kUp.size() == platform::kFunctionBelts && kDown.size() == platform::kFunctionBelts);

constexpr uint8_t kMovedState = 255;  // the state register of a belt that moved
constexpr int kPositionTop = 255;

BeltTurn turn_in(std::string_view row, char key, int steps) {
    const size_t at = row.find(key);
    if (at == std::string_view::npos) return {};
    return {static_cast<int>(at) + 1, steps, BeltBank::function};
}

}  // namespace

BeltTurn belt_turn_of(char key) {
    for (const BeltTurn turn : {turn_in(kUp, key, 1), turn_in(kDown, key, -1), turn_in(kUpShifted, key, kBeltFastSteps),
                                turn_in(kDownShifted, key, -kBeltFastSteps)}) {
        if (turn.belt != 0) return turn;
    }
    return {};
}

BeltTurn belt_turn_of(char key, bool shift) {
    BeltTurn turn = belt_turn_of(key);
    if (shift && (turn.steps == 1 || turn.steps == -1)) turn.steps *= kBeltFastSteps;
    return turn;
}

void turn_console_belt(platform::CardBus& cards, const BeltTurn& turn) {
    const bool sequence = turn.bank == BeltBank::sequence;
    if (turn.belt < 1 || turn.belt > (sequence ? platform::kSequenceBelts : platform::kFunctionBelts)) return;
    const int slot = console_surface_slot(cards);
    if (slot < 0) return;
    if (sequence) {
        const int position = std::clamp(cards.sequence_belt(slot, turn.belt, 0) + turn.steps, 0, kPositionTop);
        cards.set_sequence_belt(slot, turn.belt, 0, static_cast<uint8_t>(position));
        cards.set_sequence_belt(slot, turn.belt, 1, kMovedState);
    } else {
        const int position = std::clamp(cards.function_belt(slot, turn.belt, 0) + turn.steps, 0, kPositionTop);
        cards.set_function_belt(slot, turn.belt, 0, static_cast<uint8_t>(position));
        cards.set_function_belt(slot, turn.belt, 1, kMovedState);
    }
}

}  // namespace host
