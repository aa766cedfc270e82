#include "datafiles/show_files.h"

#include <algorithm>
#include <cctype>

#include "datafiles/commands.h"
#include "datafiles/cue_files.h"
#include "datafiles/cue_memory_file.h"
#include "datafiles/file_moves.h"
#include "datafiles/memory_file.h"
#include "datafiles/name_browser.h"
#include "datafiles/show_archive.h"
#include "datafiles/whole_files.h"
#include "platform/dos_files.h"
#include "platform/graphics.h"
#include "playback/commands.h"
#include "runtime/config_records.h"
#include "runtime/console_flags.h"
#include "runtime/console_state.h"
#include "runtime/key_codes.h"
#include "runtime/key_leds.h"
#include "runtime/key_reader.h"
#include "runtime/startup.h"
#include "setup/setup_data.h"
#include "sync/commands.h"
#include "sync/timecode_display.h"
#include "sync/sync_services.h"
#include "ui/helpers.h"
#include "ui/message_line.h"
#include "ui/panel_modes.h"

namespace datafiles {

namespace {

using namespace runtime::keys;
using runtime::LED_BLINK;
using runtime::LED_OFF;
using runtime::LED_ON;
using runtime::set_key_led;

constexpr int32_t kErrorBeep_Hz = 400;
constexpr uint32_t kErrorBeep_ms = 2000;
constexpr uint32_t kQuestionBeep_ms = 250;
constexpr uint32_t kOverwriteListBeep_ms = 800;
constexpr int32_t kKeyHeldBeep_Hz = 800;
constexpr uint32_t kKeyHeldBeep_ms = 150;

constexpr int16_t kStrokedFont = 2;
constexpr int16_t kTitleSize = 7;
constexpr int16_t kTextSize = 4;
constexpr int16_t kDialogColour = 8;
constexpr int16_t kDialogFieldColour = 3;
constexpr int16_t kDialogTitleColour = 15;

// The older per-page files, in the order they are deleted.
constexpr std::array<const char*, 6> kOldPageFiles = {"mem-*.*", "fig-*.*", "mid-*.*", "pre-*.*", "gen-*.*", "cue-*.*"};
// Their staging forms after a load (".DA" of ".DAT").
constexpr std::array<const char*, 6> kOldPagePrefixes = {"MEM-", "FIG-", "MID-", "PRE-", "GEN-", "CUE-"};

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

bool timecode_screen_open() { return (runtime::option_flags & runtime::OPT_TIMECODE_SCREEN) != 0; }

}  // namespace

void draw_dialog_box(const char* title) {
    ui::fill_box(2, 282, 220, 314, kDialogColour);
    ui::fill_box(12, 288, 210, 308, kDialogFieldColour);
    ui::set_text_style(kStrokedFont, platform::kHorizontalText, kTitleSize);
    platform::_setcolor(kDialogTitleColour);
    platform::_outtextxy(60, 292, title);
    ui::set_text_style(kStrokedFont, platform::kHorizontalText, kTextSize);
}

namespace {

// Digit 1, digit 2 or ESC; other keys are ignored.
int16_t read_medium_choice() {
    for (;;) {
        int16_t key = 0;
        if (runtime::get_key(&key) && (key == KEY_DIGIT_1 || key == KEY_DIGIT_2 || key == KEY_ESC)) return key;
    }
}

void report_error(bool interruptible, const std::string& text) {
    ui::show_message("%s", text.c_str());
    error_beep(interruptible);
}

void save_list_with_show(const std::string& show_name) {
    synchro::save_timecode_list(runtime::current_list_name.empty() ? show_name : runtime::current_list_name);
}

bool is_old_page_file(const std::string& name) {
    return std::any_of(kOldPagePrefixes.begin(), kOldPagePrefixes.end(),
                       [&](const char* prefix) { return name.rfind(prefix, 0) == 0; });
}

// Of a show holding both memory layouts only the current memory file is
// loaded: its older page files leave the staged list.
void drop_staged_old_pages(std::vector<std::string>& staged) {
    std::vector<std::string> old_pages;
    std::copy_if(staged.begin(), staged.end(), std::back_inserter(old_pages), is_old_page_file);
    remove_staged_files(old_pages);
    staged.erase(std::remove_if(staged.begin(), staged.end(), is_old_page_file), staged.end());
}

void report_load_failure() { report_error(true, "ERROR OCCURED DURING LOADING..."); }

// The operation chosen in the show dialog, once the browser confirmed.
void run_show_operation(uint8_t operation) {
    if (operation == kOperationSave && selected_name().empty()) return;
    if (!build_data_item_patterns()) {
        ui::show_message("ERROR : NO DATA SELECTED");
        error_beep(true);
        return;
    }
    const bool internal = show_file_medium == kMediumInternal;
    if (operation == kOperationSave) {
        internal ? save_show_internal() : save_show_external();
    } else {
        internal ? load_show_internal() : load_show_external();
    }
}

void run_show_dialog(uint8_t operation) {
    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    runtime::run_flags |= runtime::RUN_SHOW_FILE_BUSY;
    show_file_operation = operation;
    const bool save = operation == kOperationSave;
    draw_dialog_box(save ? "SAVE SHOW" : "LOAD SHOW");
    ui::show_message(save ? "1=SAVE INTERNAL  2=SAVE EXTERNAL" : "1=LOAD INTERNAL  2=LOAD EXTERNAL");
    set_key_led(KEY_DIGIT_0, LED_OFF);
    for (int d = 3; d <= 9; ++d) set_key_led(digit_key(d), LED_OFF);
    for (const int16_t key : {KEY_DIGIT_1, KEY_DIGIT_2, KEY_ESC}) set_key_led(key, LED_BLINK);
    const int16_t choice = read_medium_choice();
    for (const int16_t key : {KEY_DIGIT_1, KEY_DIGIT_2, KEY_ESC}) set_key_led(key, LED_OFF);
    if (choice != KEY_ESC) {
        show_file_medium = choice == KEY_DIGIT_1 ? kMediumInternal : kMediumExternal;
        if (browse_names() != 0) run_show_operation(operation);
    }
    runtime::run_flags &= ~runtime::RUN_SHOW_FILE_BUSY;
    playback::update_point_cue_leds();
    if (save || runtime::restart_requested == 0) ui::redraw_cue_panel();
}

void save_list() {
    const std::string name = selected_name();
    if (name.empty()) return;
    if (is_protected_list_name(name)) {
        report_error(false, "ERROR:'" + name + "' IS A PROTECTED NAME");
        return;
    }
    if (platform::dos_exists(data_path((name + ".lst").c_str()).c_str()) &&
        !ask_enter_or_esc("OVERWRITE LIST? (ENTER=YES ESC=NO)", kOverwriteListBeep_ms)) {
        return;
    }
    ui::show_message("SAVING LIST...");
    if (!synchro::save_timecode_list(name)) {
        report_error(true, "ERROR : ILLEGAL LIST-NAME");
        return;
    }
    synchro::draw_timecode_header();
}

void load_list() {
    const std::string name = selected_name();
    ui::show_message("LOADING LIST...");
    const uint8_t source_before = synchro::timecode_source;
    if (!synchro::load_timecode_list(name)) {
        report_error(true, "ERROR : LIST '" + name + "' NOT FOUND");
        return;
    }
    synchro::draw_timecode_header();
    synchro::draw_timecode_clock(true);
    const bool manual_now = synchro::timecode_source == synchro::kTimecodeSourceManual;
    const bool manual_before = source_before == synchro::kTimecodeSourceManual;
    if (manual_now && !manual_before) synchro::draw_manual_transport_panel();
    if (manual_before && !manual_now) synchro::draw_transport_panel();
}

void run_list_dialog(uint8_t operation) {
    runtime::option_flags &= ~(runtime::OPT_CUE_PANEL | runtime::OPT_MEMORY_STATE_SHOWN);
    runtime::run_flags |= runtime::RUN_SHOW_FILE_BUSY;
    show_file_operation = operation;
    show_file_medium = kMediumList;
    draw_dialog_box(operation == kOperationSave ? "SAVE LIST" : "LOAD LIST");
    if (browse_names() != 0) operation == kOperationSave ? save_list() : load_list();
    runtime::run_flags &= ~runtime::RUN_SHOW_FILE_BUSY;
    ui::redraw_cue_panel();
}

}  // namespace

const std::array<DataItem, kDataItems + 1> kDataItemTable = {{
    {nullptr, {}},
    {"SETUP",
     {"SETUP.DAT", "CH-*.DAT", "VALUES.DEF", "TRANSP.DAT", "SOFT.DAT", "DIMPATCH.DAT", "CURVE.DAT", "GROUPA.DAT"}},
    {"PRESETS", {"PRE-*.DAT", "DEF-*.DAT", "PRESETS.DAT"}},
    {"MEMORIES", {"MEM-*.DAT", "GEN-*.DAT", "FIG-*.DAT", "MEM.DAT"}},
    {"THRESHOLDS", {"MEMTHRSH.DAT"}},
    {"CUES", {"MEMCUES.DAT", "CUEMEM.DAT", "CUESEQ.DAT", "CUEPLAYB.DAT", "CUE-*.DAT", "MID-*.DAT"}},
    {"GROUPS", {"GROUPS.DAT"}},
    {"SUBMASTERS", {"SUBMAST.DAT"}},
    {"LISTS", {"*.LST"}},
    {nullptr, {}},
}};

std::array<ShowName, kShowFileMedia + 1> selected_file_names{};
uint8_t show_file_medium = 0;
std::array<uint8_t, kDataItems + 1> data_item_selected{};
std::array<FilePattern, kMaxDataFilePatterns + 1> data_file_patterns{};
uint8_t data_file_pattern_count = 0;

void reset_show_files_globals() {
    selected_file_names = {};
    show_file_medium = 0;
    data_item_selected = {};
    data_file_patterns = {};
    data_file_pattern_count = 0;
}

void run_save_load_key(int16_t key) {
    runtime::run_flags |= runtime::RUN_SAVE_LOAD_KEY;
    if (ui::wait_key_held(key, ui::kKeyHoldTime_ms)) {
        set_key_led(key, LED_ON);
        ui::beep_interruptible(kKeyHeldBeep_Hz, kKeyHeldBeep_ms);
        const bool save = key == KEY_SAVE;
        if (timecode_screen_open()) {
            save ? save_list_dialog() : load_list_dialog();
        } else {
            save ? save_show_dialog() : load_show_dialog();
        }
    }
    set_key_led(key, LED_OFF);
    runtime::run_flags &= ~runtime::RUN_SAVE_LOAD_KEY;
}

void save_show_dialog() { run_show_dialog(kOperationSave); }
void load_show_dialog() { run_show_dialog(kOperationLoad); }
void save_list_dialog() { run_list_dialog(kOperationSave); }
void load_list_dialog() { run_list_dialog(kOperationLoad); }

void save_show_internal() {
    const std::string name = selected_name();
    if (is_protected_show_name(name)) {
        report_error(false, "ERROR : '" + name + "' IS A PROTECTED NAME");
        return;
    }
    const std::string show_directory = data_path(name.c_str());
    if (is_directory(show_directory)) {
        if (!ask_enter_or_esc(("UPDATE '" + name + "'? (ENTER=Y ESC=N)").c_str(), kQuestionBeep_ms)) return;
    } else if (!platform::dos_exists(show_directory.c_str())) {
        platform::dos_mkdir(show_directory.c_str());
    }
    if (!is_directory(show_directory)) {
        report_error(false, "ERROR : ILLEGAL SHOW-NAME");
        return;
    }
    if (ask_enter_or_esc("OPTIMIZE SHOWDATA? (ENTER=Y ESC=N)", kQuestionBeep_ms)) {
        ui::show_message("OPTIMIZING DATA...");
        optimize_show_data();
    }
    ui::show_message("SAVING TO INTERNAL DISK...");
    save_list_with_show(name);
    bool all_copied = true;
    for (int p = 1; p <= data_file_pattern_count; ++p) {
        all_copied = copy_matching_files(data_path(data_file_patterns[p].data()), show_directory) && all_copied;
    }
    if (!all_copied) report_error(true, "ERROR OCCURED DURING SAVING...");
}

void save_show_external() {
    const std::string name = selected_name();
    platform::dos_remove(work_archive_path().c_str());
    const char* const probe = "a:\\w1x2y3z4";
    FILE* probe_file = platform::dos_fopen(probe, "wb");
    if (probe_file == nullptr) {
        report_error(false, "ERROR : EXTERNAL DISK IS NOT READY");
        return;
    }
    std::fclose(probe_file);
    platform::dos_remove(probe);

    const std::string archive = floppy_archive_path(name);
    switch (platform::dos_create_new(archive.c_str())) {
        case platform::DosCreateResult::created:
            platform::dos_remove(archive.c_str());
            break;
        case platform::DosCreateResult::exists:
            if (!ask_enter_or_esc(("UPDATE " + name + " ? (ENTER=Y ESC=N)").c_str(), kQuestionBeep_ms)) return;
            if (!check_existing_archive(name)) {
                platform::dos_remove(work_archive_path().c_str());
                report_error(false, "ERROR : SHOW CAN NOT BE UPDATED...");
                return;
            }
            break;
        case platform::DosCreateResult::failed:
            report_error(false, "ERROR : ILLEGAL SHOW-NAME");
            return;
    }
    save_list_with_show(name);
    if (ask_enter_or_esc("OPTIMIZE SHOWDATA? (ENTER=Y ESC=N)", kQuestionBeep_ms)) {
        ui::show_message("OPTIMIZING DATA...");
        optimize_show_data();
    }
    save_show_archive(name);
}

void load_show_internal() {
    const std::string name = selected_name();
    const std::string show_directory = data_path(name.c_str());
    if (name.empty() || !is_directory(show_directory)) {
        report_error(true, "ERROR : SHOW '" + name + "' NOT FOUND");
        return;
    }
    const bool backed_up = !equal_ignoring_case(name, "BACKUP") && setup::fixture_count != 0;
    if (backed_up && !back_up_current_show()) {
        report_load_failure();
        return;
    }
    ui::show_message("LOADING NEW SHOW...");
    // The current show's older page files go whatever items are selected.
    delete_old_page_files();
    const bool both_layouts = probe_show_format(show_directory);
    std::vector<std::string> staged;
    bool all_staged = true;
    for (int p = 1; p <= data_file_pattern_count; ++p) {
        all_staged = stage_matching_files(data_file_patterns[p].data(), show_directory, staged) && all_staged;
    }
    if (!all_staged) {
        remove_staged_files(staged);
        if (backed_up) restore_from_backup();
        report_load_failure();
        return;
    }
    if (both_layouts) drop_staged_old_pages(staged);
    if (!swap_in_staged_files(staged)) {
        remove_staged_files(staged);
        if (backed_up) restore_from_backup();
        report_load_failure();
        return;
    }
    runtime::restart_requested = 1;
}

void load_show_external() {
    const std::string name = selected_name();
    if (name.empty() || !platform::dos_exists(floppy_archive_path(name).c_str())) {
        report_error(true, "ERROR : SHOW '" + name + "' NOT FOUND");
        return;
    }
    if (load_show_archive(name)) {
        ui::save_panel_picture();
        runtime::restart_requested = 1;
    }
}

bool build_data_item_patterns() {
    data_file_pattern_count = 0;
    for (int item = 1; item <= kDataItems; ++item) {
        if (data_item_selected[static_cast<size_t>(item)] != 1) continue;
        for (const char* pattern : kDataItemTable[static_cast<size_t>(item)].patterns) {
            if (pattern == nullptr || data_file_pattern_count >= kMaxDataFilePatterns) break;
            FilePattern& slot = data_file_patterns[++data_file_pattern_count];
            slot = {};
            std::copy_n(pattern, std::min(std::char_traits<char>::length(pattern), kPatternChars), slot.begin());
        }
    }
    return data_file_pattern_count > 0;
}

void optimize_show_data() {
    compact_memory_file(true);
    compact_cue_sequence_file(1);
    compact_cue_playback_file(1);
    compact_pointcue_file(1);
    compact_memcue_file(true);
}

void delete_old_page_files() {
    for (const char* pattern : kOldPageFiles) delete_matching_files(data_path(pattern));
}

bool probe_show_format(const std::string& show_directory) {
    auto readable = [&](const char* name) {
        FILE* file = platform::dos_fopen((show_directory + "\\" + name).c_str(), "rb");
        if (file != nullptr) std::fclose(file);
        return file != nullptr;
    };
    return readable("mem.dat") && readable("mem-0250.dat");
}

bool is_protected_show_name(std::string_view name) {
    return equal_ignoring_case(name, "EMPTY") || equal_ignoring_case(name, "BACKUP");
}

bool is_protected_list_name(std::string_view name) {
    return equal_ignoring_case(name, "EMPTY") || equal_ignoring_case(name, "AUTOSAVE");
}

std::string selected_name() {
    if (show_file_medium < kMediumInternal || show_file_medium > kMediumList) return {};
    return selected_file_names[show_file_medium].data();
}

std::string data_directory() { return runtime::home_directory + "\\data"; }
std::string backup_directory() { return data_directory() + "\\backup"; }

bool back_up_current_show() {
    ui::show_message("BACKING UP CURRENT SHOW...");
    const std::string backup = backup_directory();
    if (!is_directory(backup)) platform::dos_mkdir(backup.c_str());
    if (!is_directory(backup)) return false;
    // The files of an earlier backup go, so that the backup holds one show.
    for (int item = 1; item <= kShownDataItems; ++item) {
        for (const char* pattern : kDataItemTable[static_cast<size_t>(item)].patterns) {
            if (pattern == nullptr) break;
            if (!delete_matching_files(backup + "\\" + pattern)) return false;
        }
    }
    for (int p = 1; p <= data_file_pattern_count; ++p) {
        if (!copy_matching_files(data_path(data_file_patterns[p].data()), backup)) return false;
    }
    return true;
}

bool restore_from_backup() {
    bool all_copied = true;
    for (int p = 1; p <= data_file_pattern_count; ++p) {
        all_copied = copy_matching_files(backup_directory() + "\\" + data_file_patterns[p].data(), data_directory()) &&
                     all_copied;
    }
    return all_copied;
}

bool ask_enter_or_esc(const char* question, uint32_t beep_ms) {
    ui::show_message("%s", question);
    ui::beep_interruptible(kErrorBeep_Hz, beep_ms);
    set_key_led(KEY_ESC, LED_BLINK);
    set_key_led(KEY_ENTER, LED_BLINK);
    int16_t key = 0;
    while (!(runtime::get_key(&key) && (key == KEY_ESC || key == KEY_ENTER))) {
    }
    set_key_led(KEY_ESC, LED_OFF);
    set_key_led(KEY_ENTER, LED_OFF);
    return key == KEY_ENTER;
}

void error_beep(bool interruptible) {
    if (interruptible) {
        ui::beep_interruptible(kErrorBeep_Hz, kErrorBeep_ms);
    } else {
        ui::beep(kErrorBeep_Hz, kErrorBeep_ms);
    }
}

}  // namespace datafiles
