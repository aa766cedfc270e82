#include "datafiles/old_formats.h"

#include <cstdio>
#include <string>

#include "datafiles/cue_memory_file.h"
#include "datafiles/memory_file.h"
#include "datafiles/preset_file.h"
#include "datafiles/whole_files.h"
#include "platform/dos_files.h"
#include "platform/graphics.h"
#include "runtime/config_records.h"
#include "runtime/step_log.h"
#include "ui/dos_commands.h"
#include "ui/helpers.h"

namespace datafiles {

namespace {

constexpr int16_t kStepTextX = 200;
constexpr int16_t kMemoryStepY = 135;
constexpr int16_t kPresetStepY = 145;
constexpr int16_t kStepColour = 12;
constexpr int16_t kDoneColour = 14;
constexpr int16_t kErasedColour = 0;

// The banner strip at the foot of the screen.
constexpr int kBannerTop = 460;
constexpr int kBannerBottom = 480;
constexpr int kBannerTextY = 466;
constexpr int kScreenWidth = 640;
constexpr int kSolidFill = 1;
constexpr int kBannerColour = 4;
constexpr int kBannerTextColour = 14;
constexpr int32_t kBannerBeepHz = 400;
constexpr uint32_t kBannerBeep_ms = 300;

// The older preset files, in the order they are retired.
const char* const kOldPresetFiles[] = {"pre-pan", "pre-col", "pre-gob", "pre-gen", "pre-fig"};

bool data_file_exists(const char* file) {
    FILE* handle = platform::dos_fopen(data_path(file).c_str(), "rb");
    if (handle == nullptr) return false;
    std::fclose(handle);
    return true;
}

void fill_banner(int colour) {
    platform::_setfillstyle(kSolidFill, colour);
    platform::_bar(0, kBannerTop, kScreenWidth, kBannerBottom);
}

// A red strip with the text centred on it, and a short beep.
void show_banner(const char* text) {
    fill_banner(kBannerColour);
    platform::_setcolor(kBannerTextColour);
    platform::_outtextxy((kScreenWidth - platform::_textwidth(text)) / 2 + 1, kBannerTextY, text);
    ui::beep(kBannerBeepHz, kBannerBeep_ms);
}

void load_current_memory_files() {
    STEP(load_memory_file());
    STEP(load_memcue_file());
    STEP(convert_memory_time_items());
    STEP(convert_memcue_time_items());
}

}  // namespace

void convert_old_memories() {
    free_memory_items();
    clear_memory_index();
    if (data_file_exists("mem-0250.dat")) {
        STEP(convert_old_memory_pages());
        STEP(convert_old_generator_pages());
        STEP(convert_old_figure_pages());
    }
    ui::draw_bitmap_text(kStepTextX, kMemoryStepY, kStepColour, "  - Loading memories");
    load_current_memory_files();
}

void convert_old_memory_pages() {}
void convert_old_generator_pages() {}
void convert_old_figure_pages() {}

void convert_old_presets() {
    free_preset_tables();
    clear_preset_index();
    if (!data_file_exists("pre-pan.dat")) {
        ui::draw_bitmap_text(kStepTextX, kPresetStepY, kStepColour, "  - Loading Presets");
        STEP(load_preset_file());
        return;
    }
    show_banner("UPDATING DATA-FORMAT OF PRESETS! PLEASE WAIT...");
    ui::draw_bitmap_text(kStepTextX, kPresetStepY, kStepColour, "  - Updating Data-Format of Presets");
    STEP(convert_old_value_preset_file());
    STEP(convert_old_figure_preset_file());
    STEP(convert_old_generator_preset_file());
    const bool written = STEP(compact_preset_file(true));
    ui::draw_bitmap_text(kStepTextX, kPresetStepY, kErasedColour, "  - Updating Data-Format of Presets");
    ui::draw_bitmap_text(kStepTextX, kPresetStepY, kStepColour, "  - Loading Presets");
    STEP(load_preset_file());
    // Retire the older files only once their presets are safely on file.
    if (written) {
        const char* home = runtime::home_directory.c_str();
        for (const char* name : kOldPresetFiles) {
            ui::run_dos_command("del %s\\data\\%s.old", home, name);
            ui::run_dos_command("ren %s\\data\\%s.dat *.old", home, name);
        }
    }
    ui::draw_bitmap_text(kStepTextX, kPresetStepY, kDoneColour, "                                      Done");
    fill_banner(kErasedColour);
}

bool convert_old_cues() { return false; }
void convert_old_midi() {}

}  // namespace datafiles
