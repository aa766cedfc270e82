#include "hwtest/storage_tests.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <string_view>

#include "hwtest/test_menu.h"
#include "platform/dos_files.h"
#include "platform/graphics.h"
#include "platform/interrupts.h"
#include "platform/machine.h"
#include "platform/ports.h"
#include "platform/text_screen.h"

namespace hwtest {

namespace {

void plain_ram_copy(uint8_t* to, const uint8_t* from, size_t bytes) {
    if (bytes > 0) std::memcpy(to, from, bytes);
}

}  // namespace

RamCopy ram_copy = &plain_ram_copy;

void reset_storage_tests_globals() {
    ram_copy = &plain_ram_copy;
}

namespace {

// Boxes and their text.
constexpr int kBoxLeft = 170;
constexpr int kBoxRight = 470;
constexpr int kSizeBoxTop = 130;
constexpr int kSizeBoxBottom = 150;
constexpr int kSizeTextY = 138;
constexpr int kRamBoxTop = 160;
constexpr int kRamBoxBottom = 180;
constexpr int kRamTextY = 168;
constexpr int kBoxTextX = 180;
constexpr int kFirstMarkLeft = 290;
constexpr int kMarkWidth = 5;
constexpr int kMarkStep = 8;
constexpr int kMarkTop = 165;
constexpr int kMarkBottom = 175;

constexpr int kLowBeepHz = 400;
constexpr int kHighBeepHz = 800;
constexpr uint32_t kNotPossibleBeepMs = 2000;
constexpr uint32_t kStartBeepMs = 200;
constexpr uint32_t kInsertBeepMs = 100;
constexpr uint32_t kShrinkBeepMs = 20;
constexpr uint32_t kMarkBeepMs = 50;
constexpr uint32_t kRamErrorBeepMs = 4000;
constexpr uint32_t kBlinkMs = 250;

// RAM test sizes.
constexpr uint8_t kCmosExtendedLow = 0x30;
constexpr uint8_t kCmosExtendedHigh = 0x31;
constexpr uint16_t kPortCmosIndex = 0x70;
constexpr uint16_t kPortCmosData = 0x71;
constexpr uint32_t kBytesPerKbyte = 1000;
constexpr uint32_t kRamLeftFreeBytes = 1'000'000;
constexpr uint32_t kFirstBlockStepBytes = 100'000;
constexpr uint32_t kSecondBlockBytes = 2'000'000;
constexpr uint32_t kSecondBlockStepBytes = 50'000;
constexpr int kRamPasses = 4;
constexpr size_t kDpmiAvailableOffset = 8;

// Disk test sizes.
constexpr int kDiskBlocks = 10;
constexpr uint32_t kHarddiskBlockBytes = 100'000;
constexpr uint32_t kFloppyReserveBytes = 100'000;
constexpr uint8_t kFloppyDrive = 1;  // A:

constexpr std::string_view kRamNotPossible =
    "++++++++++++++++++++++++ ERROR : RAM-TEST NOT POSSIBLE +++++++++++++++++++++++++";
constexpr std::string_view kRamPleaseWait =
    "+++++++++++++++++++++++++++ PLEASE WAIT... (ESC=CANCEL) +++++++++++++++++++++++++++++++++";
constexpr std::string_view kDiskPleaseWait =
    "+++++++++++++++++++++++++ PLEASE WAIT... (ESC=CANCEL) ++++++++++++++++++++++++++";
constexpr std::string_view kInsertDiskStatus =
    "++++++ INSERT AN EMPTY DISK AND PRESS ANY KEY TO CONTINUE... (ESC=CANCEL) ++++++";
constexpr std::string_view kDiskNotEmpty =
    "++++++++++++++++++++++++++ ERROR : DISK IS NOT EMPTY +++++++++++++++++++++++++++++";
constexpr std::string_view kDiskNotFound =
    "++++++++++++++++++++++++ ERROR : DISK IN DRIVE A NOT FOUND +++++++++++++++++++++++++";

// What differs between the hard-disk and the floppy test.
struct DiskTestTexts {
    const char* written_path;
    const char* copy_path;
    std::string_view busy;
    std::string_view ok;
    std::string_view error;
    std::string_view problem;
    std::string_view cancelled;
    std::string_view not_possible;
};

constexpr DiskTestTexts kHarddiskTexts = {
    "c:\\harddisk.002",
    "c:\\harddisk.001",
    "HARDDISK-TEST ---> ...",
    "HARDDISK-TEST ---> OK",
    "HARDDISK-TEST ---> ERROR",
    "ERROR : HARDDISK-PROBLEM DETECTED!",
    "ERROR : HARDDISK-TEST NOT COMPLETED!",
    "++++++++++++++++++++++++ ERROR : HARDDISK-TEST NOT POSSIBLE +++++++++++++++++++++++++",
};

constexpr DiskTestTexts kDiskdriveTexts = {
    "a:\\drivea.002",
    "a:\\drivea.001",
    "DISKDRIVE-TEST ---> ...",
    "DISKDRIVE-TEST ---> OK",
    "DISKDRIVE-TEST ---> ERROR",
    "ERROR : DISKDRIVE-PROBLEM DETECTED!",
    "ERROR : DISKDRIVE-TEST NOT COMPLETED!",
    "++++++++++++++++++++++++ ERROR : DISKDRIVE-TEST NOT POSSIBLE +++++++++++++++++++++++++",
};

void fill_solid(int colour, int left, int top, int right, int bottom) {
    platform::_setfillstyle(platform::kSolidFill, colour);
    platform::_bar(left, top, right, bottom);
}

void draw_text(int colour, int x, int y, std::string_view text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

// A light-green box with a red line in it.
void show_box_line(int top, int bottom, int text_y, std::string_view text) {
    fill_solid(kLightGreen, kBoxLeft, top, kBoxRight, bottom);
    draw_text(kRed, kBoxTextX, text_y, text);
}

// Esc, when a PC key is waiting; other keys are taken and ignored.
bool esc_pressed() {
    if (platform::kbhit() == 0) return false;
    return platform::getch() == kEscKey;
}

void fill_random(std::span<uint8_t> bytes) {
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(std::rand() % 256);
}

// Whether the two runs of bytes are alike, byte for byte.
bool same_bytes(std::span<const uint8_t> a, std::span<const uint8_t> b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

// --- RAM test ---------------------------------------------------------------------

bool ram_test_refused_by_environment() {
    const char* value = std::getenv("DPMI32");
    if (value == nullptr) return false;
    std::string upper(value);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper.find("SWAPFILE") != std::string::npos;
}

uint8_t read_cmos(uint8_t index) {
    platform::outportb(kPortCmosIndex, index);
    return platform::inportb(kPortCmosData);
}

uint32_t cmos_extended_memory_kb() {
    return static_cast<uint32_t>(read_cmos(kCmosExtendedLow)) |
           static_cast<uint32_t>(read_cmos(kCmosExtendedHigh)) << 8;
}

uint32_t dpmi_available_bytes() {
    std::array<uint8_t, platform::kDpmiMemoryInfoBytes> info{};
    platform::get_dpmi_memory_info(info);
    return static_cast<uint32_t>(info[kDpmiAvailableOffset]) |
           static_cast<uint32_t>(info[kDpmiAvailableOffset + 1]) << 8 |
           static_cast<uint32_t>(info[kDpmiAvailableOffset + 2]) << 16 |
           static_cast<uint32_t>(info[kDpmiAvailableOffset + 3]) << 24;
}

// A block of bytes when the DPMI host still has room for it beside the bytes
// already taken by this test; null otherwise.
std::unique_ptr<uint8_t[]> allocate_ram_block(uint32_t bytes, uint32_t taken_bytes) {
    const uint32_t available = dpmi_available_bytes();
    if (taken_bytes > available || bytes > available - taken_bytes) return nullptr;
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[bytes > 0 ? bytes : 1]);
}

void show_ram_size(uint32_t kbytes) {
    char line[64] = {};
    std::snprintf(line, sizeof line, "CHECKING RAM-SIZE = %lu KBYTES", static_cast<unsigned long>(kbytes));
    show_box_line(kSizeBoxTop, kSizeBoxBottom, kSizeTextY, line);
}

struct RamBlock {
    std::unique_ptr<uint8_t[]> bytes;
    uint32_t size_bytes = 0;
};

// The first block: the extended memory less 1 MB, made smaller in steps of
// 100000 bytes until the host gives it.
RamBlock allocate_first_block(uint32_t extended_kb, bool& cancelled) {
    RamBlock block;
    const uint32_t extended_bytes = extended_kb * kBytesPerKbyte;
    uint32_t size = extended_bytes > kRamLeftFreeBytes ? extended_bytes - kRamLeftFreeBytes : 0;
    if (size > kRamBlockCapBytes) size = kRamBlockCapBytes;
    while (size > 0) {
        block.bytes = allocate_ram_block(size, 0);
        if (block.bytes) break;
        size = size > kFirstBlockStepBytes ? size - kFirstBlockStepBytes : 0;
        show_ram_size(size / kBytesPerKbyte);
        beep_tone(kLowBeepHz, kShrinkBeepMs);
        if (esc_pressed()) {
            cancelled = true;
            break;
        }
    }
    block.size_bytes = block.bytes ? size : 0;
    return block;
}

// The second block: 2 MB, made smaller in steps of 50000 bytes.
RamBlock allocate_second_block(uint32_t first_bytes, bool& cancelled) {
    RamBlock block;
    uint32_t size = kSecondBlockBytes;
    while (size > 0 && !cancelled) {
        block.bytes = allocate_ram_block(size, first_bytes);
        if (block.bytes) break;
        const uint32_t shown = first_bytes + size > kSecondBlockStepBytes ? first_bytes + size - kSecondBlockStepBytes : 0;
        show_ram_size(shown / kBytesPerKbyte);
        beep_tone(kLowBeepHz, kShrinkBeepMs);
        size = size > kSecondBlockStepBytes ? size - kSecondBlockStepBytes : 0;
        if (esc_pressed()) {
            cancelled = true;
            break;
        }
    }
    block.size_bytes = block.bytes ? size : 0;
    return block;
}

void draw_progress_mark(int mark) {
    const int left = kFirstMarkLeft + kMarkStep * mark;
    fill_solid(kRed, left, kMarkTop, left + kMarkWidth, kMarkBottom);
    beep_tone(kLowBeepHz, kMarkBeepMs);
}

// One pass: random bytes into one half of the block, copied to the other
// half, compared. True when the halves agree.
bool ram_pass(RamBlock& block, bool first_half_is_source) {
    const size_t half = block.size_bytes / 2;
    if (half == 0) return true;
    uint8_t* first = block.bytes.get();
    uint8_t* second = first + half;
    uint8_t* source = first_half_is_source ? first : second;
    uint8_t* target = first_half_is_source ? second : first;
    fill_random({source, half});
    ram_copy(target, source, half);
    return same_bytes({source, half}, {target, half});
}

// The error line blinks red and yellow until Esc.
void blink_ram_error() {
    constexpr std::string_view kError = "RAM-TEST ---> ERROR";
    for (;;) {
        draw_text(kYellow, kBoxTextX, kRamTextY, kError);
        platform::delay_ms(kBlinkMs);
        if (esc_pressed()) return;
        draw_text(kRed, kBoxTextX, kRamTextY, kError);
        platform::delay_ms(kBlinkMs);
        if (esc_pressed()) return;
    }
}

// --- disk tests -------------------------------------------------------------------

void delete_test_files(const DiskTestTexts& texts) {
    if (platform::dos_exists(texts.copy_path)) platform::dos_remove(texts.copy_path);
    if (platform::dos_exists(texts.written_path)) platform::dos_remove(texts.written_path);
}

struct DiskTestRun {
    bool problem = false;
    bool cancelled = false;
};

void write_test_file(const DiskTestTexts& texts, std::span<uint8_t> buffer, DiskTestRun& run) {
    FILE* file = platform::dos_fopen(texts.written_path, "wb");
    if (file == nullptr) {
        run.problem = true;
        return;
    }
    for (int block = 0; block < kDiskBlocks && !run.cancelled; ++block) {
        fill_random(buffer);
        if (std::fwrite(buffer.data(), 1, buffer.size(), file) != buffer.size()) run.problem = true;
        if (esc_pressed()) run.cancelled = true;
    }
    if (std::fclose(file) != 0) run.problem = true;
}

void copy_test_file(const DiskTestTexts& texts, std::span<uint8_t> buffer, DiskTestRun& run) {
    FILE* from = platform::dos_fopen(texts.written_path, "rb");
    FILE* to = platform::dos_fopen(texts.copy_path, "wb");
    if (from == nullptr || to == nullptr) {
        run.problem = true;
    } else {
        for (;;) {
            const size_t got = std::fread(buffer.data(), 1, buffer.size(), from);
            if (std::fwrite(buffer.data(), 1, got, to) != got) run.problem = true;
            if (got < buffer.size()) break;
            if (esc_pressed()) {
                run.cancelled = true;
                break;
            }
        }
    }
    if (from != nullptr) std::fclose(from);
    if (to != nullptr && std::fclose(to) != 0) run.problem = true;
}

void compare_test_files(const DiskTestTexts& texts, std::span<uint8_t> first, std::span<uint8_t> second,
                        DiskTestRun& run) {
    FILE* written = platform::dos_fopen(texts.written_path, "rb");
    FILE* copy = platform::dos_fopen(texts.copy_path, "rb");
    if (written == nullptr || copy == nullptr) {
        run.problem = true;
    } else {
        for (int block = 0; block < kDiskBlocks && !run.problem; ++block) {
            const size_t got_written = std::fread(first.data(), 1, first.size(), written);
            const size_t got_copy = std::fread(second.data(), 1, second.size(), copy);
            if (got_written != got_copy || !same_bytes(first.first(got_written), second.first(got_copy))) {
                run.problem = true;
            }
            if (esc_pressed()) {
                run.cancelled = true;
                break;
            }
        }
    }
    if (written != nullptr) std::fclose(written);
    if (copy != nullptr) std::fclose(copy);
}

// Write, copy, compare with two buffers of block_bytes; the box shows the
// verdict, the files are removed, and the result box follows.
bool run_file_test(TestItem item, const DiskTestTexts& texts, uint32_t block_bytes) {
    std::unique_ptr<uint8_t[]> first(block_bytes > 0 ? new (std::nothrow) uint8_t[block_bytes] : nullptr);
    std::unique_ptr<uint8_t[]> second(block_bytes > 0 ? new (std::nothrow) uint8_t[block_bytes] : nullptr);
    if (!first || !second) {
        report_test_not_possible(texts.not_possible);
        return false;
    }
    const std::span<uint8_t> first_buffer(first.get(), block_bytes);
    const std::span<uint8_t> second_buffer(second.get(), block_bytes);

    draw_status_line(kDiskPleaseWait);
    beep_tone(kHighBeepHz, kStartBeepMs);
    show_box_line(kSizeBoxTop, kSizeBoxBottom, kSizeTextY, texts.busy);

    delete_test_files(texts);
    DiskTestRun run;
    write_test_file(texts, first_buffer, run);
    if (!run.problem && !run.cancelled) copy_test_file(texts, first_buffer, run);
    if (!run.problem && !run.cancelled) compare_test_files(texts, first_buffer, second_buffer, run);

    if (!run.cancelled) show_box_line(kSizeBoxTop, kSizeBoxBottom, kSizeTextY, run.problem ? texts.error : texts.ok);
    first.reset();
    second.reset();
    delete_test_files(texts);

    if (run.problem) return finish_test(item, texts.problem);
    if (run.cancelled) return finish_test(item, texts.cancelled);
    return finish_test(item, kTestOk);
}

bool floppy_is_empty() {
    platform::DosFindData find;
    return !platform::dos_findfirst("a:\\*.*", &find,
                                    platform::kDosAttrDirectory | platform::kDosAttrHidden | platform::kDosAttrSystem);
}

}  // namespace

bool test_ram() {
    begin_test(kTestRam);
    if (ram_test_refused_by_environment()) {
        report_test_not_possible(kRamNotPossible);
        return false;
    }
    draw_test_frame("CHECKING RAM", 270, kRamPleaseWait);
    beep_tone(kHighBeepHz, kStartBeepMs);

    const uint32_t extended_kb = cmos_extended_memory_kb();
    show_ram_size(extended_kb > kBytesPerKbyte ? extended_kb - kBytesPerKbyte : 0);

    bool cancelled = false;
    std::array<RamBlock, 2> blocks;
    blocks[0] = allocate_first_block(extended_kb, cancelled);
    if (!cancelled) blocks[1] = allocate_second_block(blocks[0].size_bytes, cancelled);

    char line[64] = {};
    std::snprintf(line, sizeof line, "CHECKING %lu KBYTES RAM...",
                  static_cast<unsigned long>((blocks[0].size_bytes + blocks[1].size_bytes) / kBytesPerKbyte));
    show_box_line(kSizeBoxTop, kSizeBoxBottom, kSizeTextY, line);
    beep_tone(kHighBeepHz, kStartBeepMs);

    show_box_line(kRamBoxTop, kRamBoxBottom, kRamTextY, "RAM-TEST ---> ....");
    draw_progress_mark(0);
    bool difference = false;
    for (int pass = 1; pass <= kRamPasses && !difference && !cancelled; ++pass) {
        RamBlock& block = blocks[pass <= 2 ? 0 : 1];
        difference = !ram_pass(block, pass % 2 == 1);
        draw_progress_mark(pass);
        if (esc_pressed()) cancelled = true;
    }

    if (!cancelled) {
        if (difference) {
            show_box_line(kRamBoxTop, kRamBoxBottom, kRamTextY, "RAM-TEST ---> ERROR");
            beep_tone(kLowBeepHz, kRamErrorBeepMs);
            blink_ram_error();
            cancelled = true;
        } else {
            show_box_line(kRamBoxTop, kRamBoxBottom, kRamTextY, "RAM-TEST ---> OK");
        }
    }
    blocks[0].bytes.reset();
    blocks[1].bytes.reset();

    if (difference) return finish_test(kTestRam, "ERROR : RAM-PROBLEM DETECTED!");
    if (cancelled) return finish_test(kTestRam, "ERROR : RAM-TEST NOT COMPLETED!");
    return finish_test(kTestRam, kTestOk);
}

bool test_harddisk() {
    begin_test(kTestHarddisk);
    draw_test_frame("CHECKING HARDDISK", 255, kDiskPleaseWait);
    return run_file_test(kTestHarddisk, kHarddiskTexts, kHarddiskBlockBytes);
}

bool test_diskdrive() {
    begin_test(kTestDiskdrive);
    draw_test_frame("CHECKING DISKDRIVE", 248, kInsertDiskStatus);
    show_box_line(kSizeBoxTop, kSizeBoxBottom, kSizeTextY, "PLEASE INSERT AN EMPTY DISK ...");
    beep_tone(kHighBeepHz, kInsertBeepMs);
    if (read_answer_key() == kEscKey) return false;
    draw_status_line(kDiskPleaseWait);

    if (!floppy_is_empty()) {
        report_test_not_possible(kDiskNotEmpty);
        return false;
    }
    platform::DosDiskFree free_space;
    if (!platform::dos_getdiskfree(kFloppyDrive, &free_space)) {
        report_test_not_possible(kDiskNotFound);
        return false;
    }
    const uint32_t free_bytes = static_cast<uint32_t>(free_space.avail_clusters) * free_space.sectors_per_cluster *
                                free_space.bytes_per_sector;
    // A disk with no more than the reserve free has no room for the test.
    const uint32_t block_bytes = free_bytes > kFloppyReserveBytes ? (free_bytes - kFloppyReserveBytes) / 2 / kDiskBlocks : 0;
    return run_file_test(kTestDiskdrive, kDiskdriveTexts, block_bytes);
}

}  // namespace hwtest
