#include "runtime/lamp_commands.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "memcheck/memcheck.h"
#include "platform/dos_files.h"
#include "runtime/config_records.h"
#include "setup/setup_data.h"

namespace runtime {

std::array<LampStep*, kLampMacroTypes + 1> lamp_macro_steps{};
std::array<int16_t, kLampMacroTypes + 1> lamp_macro_step_count{};
LampEvent* lamp_event_queue = nullptr;
int16_t lamp_event_count = 0;

void reset_lamp_commands_globals() {
    free_lamp_macro_steps();
    clear_lamp_event_queue();
}

namespace {

constexpr size_t kLineBytes = 100;  // a line holds at most 99 characters
constexpr size_t kPathBytes = 260;
constexpr size_t kWordBytes = 11;   // words of at most 10 characters

// Drops the line end, whether CR LF or LF; a last line without one keeps
// all its characters.
void strip_line_end(char* line) {
    size_t length = std::strlen(line);
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) line[--length] = '\0';
}

void to_capitals(char* line) {
    for (char* c = line; *c != '\0'; ++c) *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
}

uint8_t lamp_command_of(const char* word) {
    if (std::strcmp(word, "LAMPON") == 0) return LAMP_ON;
    if (std::strcmp(word, "LAMPOFF") == 0) return LAMP_OFF;
    if (std::strcmp(word, "RESET") == 0) return LAMP_RESET;
    return 0;
}

// "command label delay label function label value"; the labels are only
// read over. False for a line that is no complete command line.
bool parse_lamp_line(const char* line, LampStep& step) {
    std::array<char, kWordBytes> command{};
    std::array<char, kWordBytes> label{};
    int delay = 0;
    int function = 0;
    int value = 0;
    const int fields = std::sscanf(line, "%10s %10s %d %10s %d %10s %d", command.data(), label.data(), &delay,
                                   label.data(), &function, label.data(), &value);
    if (fields != 7) return false;
    step.command = lamp_command_of(command.data());
    if (step.command == 0) return false;
    // The delay is a 16-bit signed number of tenths; a negative one would be
    // an endless wait and counts as no delay.
    const auto delay_tenths = static_cast<int16_t>(delay);
    step.delay = delay_tenths < 0 ? 0u : static_cast<uint32_t>(delay_tenths);
    // The function is one of the type's 32, the value a DMX level or the
    // release; a line with anything else is no command line.
    if (function < 1 || function > kLampFunctions) return false;
    if ((value < 0 || value > kLampMaxLevel) && value != kLampRelease) return false;
    step.function = static_cast<uint16_t>(function);
    step.value = static_cast<uint16_t>(value);
    return true;
}

void append_lamp_step(int16_t type, const LampStep& step) {
    const auto t = static_cast<size_t>(type);
    const auto count = static_cast<size_t>(lamp_macro_step_count[t]);
    void* grown = memcheck::mc_realloc_at(lamp_macro_steps[t], (count + 1) * sizeof(LampStep), __FILE__, __LINE__);
    if (grown == nullptr) return;
    lamp_macro_steps[t] = static_cast<LampStep*>(grown);
    lamp_macro_steps[t][count] = step;
    lamp_macro_step_count[t] = static_cast<int16_t>(count + 1);
}

void load_type_commands(int16_t type) {
    std::array<char, kPathBytes> path{};
    std::snprintf(path.data(), path.size(), "%s\\lib\\rst\\%s.rst", home_directory.c_str(),
                  setup::setup_type_file_name(type).c_str());
    FILE* file = platform::dos_fopen(path.data(), "rt");
    if (file == nullptr) return;
    std::array<char, kLineBytes> line{};
    while (std::fgets(line.data(), static_cast<int>(line.size()), file) != nullptr) {
        strip_line_end(line.data());
        to_capitals(line.data());
        LampStep step;
        if (parse_lamp_line(line.data(), step)) append_lamp_step(type, step);
    }
    std::fclose(file);
}

}  // namespace

void load_reset_commands() {
    free_lamp_macro_steps();
    const int16_t types = setup::setup_type_count();
    for (int16_t type = 1; type <= types; ++type) load_type_commands(type);
}

void free_lamp_macro_steps() {
    for (int t = 1; t <= kLampMacroTypes; ++t) {
        const auto i = static_cast<size_t>(t);
        if (lamp_macro_steps[i] != nullptr) memcheck::mc_free_at(lamp_macro_steps[i], __FILE__, __LINE__);
        lamp_macro_steps[i] = nullptr;
        lamp_macro_step_count[i] = 0;
    }
}

void clear_lamp_event_queue() {
    if (lamp_event_queue != nullptr) memcheck::mc_free_at(lamp_event_queue, __FILE__, __LINE__);
    lamp_event_queue = nullptr;
    lamp_event_count = 0;
}

}  // namespace runtime
