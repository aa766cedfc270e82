#include "hwtest/cdrom_test.h"

#include <cstdio>
#include <string_view>

#include "hwtest/card_scan.h"
#include "hwtest/smpte_test.h"
#include "hwtest/test_menu.h"
#include "platform/graphics.h"
#include "platform/interrupts.h"
#include "platform/machine.h"
#include "platform/selectors.h"
#include "platform/text_screen.h"

namespace hwtest {

CdState cd_state;
uint16_t cd_buffer_selector = 0;
int cd_track_change_count = 0;

void reset_cdrom_test_globals() {
    cd_state = {};
    cd_buffer_selector = 0;
    cd_track_change_count = 0;
}

namespace {

constexpr uint8_t kMultiplexInterrupt = 0x2F;
constexpr uint16_t kInstallationCheck = 0x1500;
constexpr uint16_t kSendDeviceRequest = 0x1510;
constexpr uint16_t kBufferParagraphs = 10;
constexpr uint32_t kBufferBytes = 160;

// Request header and control block.
constexpr uint32_t kHeaderLength = 0;
constexpr uint32_t kSubUnit = 1;
constexpr uint32_t kCommandCode = 2;
constexpr uint32_t kAddressingMode = 13;
constexpr uint32_t kTransferAddress = 14;
constexpr uint32_t kControlBlock = 18;
constexpr uint32_t kPlaySectorCount = 18;
constexpr uint8_t kHeaderBytes = 13;

constexpr uint8_t kCmdIoctlInput = 3;
constexpr uint8_t kCmdIoctlOutput = 12;
constexpr uint8_t kCmdPlayAudio = 132;
constexpr uint8_t kCmdStopAudio = 133;
constexpr uint8_t kIoctlDeviceStatus = 6;
constexpr uint8_t kIoctlMediaChanged = 9;
constexpr uint8_t kIoctlDiskInfo = 10;
constexpr uint8_t kIoctlTrackInfo = 11;
constexpr uint8_t kIoctlQChannel = 12;
constexpr uint8_t kIoctlEject = 0;
constexpr uint8_t kIoctlCloseTray = 5;
constexpr uint8_t kRedBook = 1;

constexpr uint32_t kStatusNoDisc = 0x0800;
constexpr uint8_t kControlDataTrack = 0x40;
constexpr uint8_t kMediaChanged = 0xFF;
constexpr int32_t kLeadInFrames = 150;
constexpr int kTrackChangeReads = 75;

// Screen.
constexpr int kTitleX = 270;
constexpr int kTitleY = 107;
constexpr int kBoxLeft = 170;
constexpr int kBoxTop = 130;
constexpr int kBoxRight = 470;
constexpr int kBoxBottom = 150;
constexpr int kBoxTextX = 180;
constexpr int kBoxTextY = 138;
constexpr int kTrackLineLeft = 165;
constexpr int kTrackLineTop = 235;
constexpr int kTrackLineRight = 475;
constexpr int kTrackLineBottom = 250;
constexpr int kTrackLineX = 230;
constexpr int kTrackLineY = 239;
constexpr int kMessageLeft = 165;
constexpr int kMessageTop = 280;
constexpr int kMessageRight = 475;
constexpr int kMessageBottom = 300;
constexpr int kMessageX = 170;
constexpr int kMessageY = 287;

constexpr uint32_t kFrozenMs = 5000;
constexpr double kLargestStepS = 0.25;
constexpr double kFrameS = 1.0 / 75;
constexpr int kGoodStepsToRecover = 11;
constexpr int32_t kBackToPreviousFrames = 150;

constexpr std::string_view kNotFound =
    "++++++++++++++++++++++++ ERROR : CDROM-DRIVER NOT FOUND +++++++++++++++++++++++++";
constexpr std::string_view kInsertStatus =
    "++++++ INSERT AN AUDIO-CD AND PRESS ANY KEY TO CONTINUE... (ESC=CANCEL) ++++++";
constexpr std::string_view kTestStatus =
    "+++++++++++++++++++++ +/-=TRACK-SELECTION --- ESC=STOP TEST ++++++++++++++++++++";

void poke(uint32_t offset, uint8_t value) { platform::far_poke_byte(cd_state.buffer_selector, offset, value); }
uint8_t peek(uint32_t offset) { return platform::far_peek_byte(cd_state.buffer_selector, offset); }
uint32_t peek_u32(uint32_t offset) { return platform::far_peek_dword(cd_state.buffer_selector, offset); }

void write_header(uint8_t command, bool ioctl) {
    poke(kHeaderLength, kHeaderBytes);
    poke(kSubUnit, 0);
    poke(kCommandCode, command);
    for (uint32_t i = 3; i <= kAddressingMode; ++i) poke(i, 0);
    const uint32_t transfer = ioctl ? static_cast<uint32_t>(cd_state.buffer_segment) << 16 | kControlBlock : 0;
    platform::far_poke_dword(cd_state.buffer_selector, kTransferAddress, transfer);
}

void call_driver() {
    platform::RealModeCall call;
    call.eax = kSendDeviceRequest;
    call.ecx = static_cast<uint32_t>(cd_state.drive);
    call.es = cd_state.buffer_segment;
    call.ebx = 0;
    platform::call_real_mode_int(kMultiplexInterrupt, &call);
}

bool can_send() { return cd_state.drive != kNoCdromDrive && cd_state.buffer_selector != 0; }

// An IOCTL request with its control code (and one byte after it).
void ioctl_request(uint8_t command, uint8_t code, uint8_t argument = 0) {
    cd_state.position_request_ready = 0;
    write_header(command, true);
    poke(kControlBlock, code);
    poke(kControlBlock + 1, argument);
    call_driver();
}

void fill_solid(int colour, int left, int top, int right, int bottom) {
    platform::_setfillstyle(platform::kSolidFill, colour);
    platform::_bar(left, top, right, bottom);
}

void paint_panel(int left, int top, int right, int bottom) {
    platform::_setfillstyle(platform::kHatchFill, kBlue);
    platform::_bar(left, top, right, bottom);
}

void draw_text(int colour, int x, int y, std::string_view text) {
    platform::_setcolor(colour);
    platform::_outtextxy(x, y, text);
}

int32_t position_frames() {
    return convert_msf_to_frames(cd_state.current_position.minutes, cd_state.current_position.seconds,
                                 cd_state.current_position.frames);
}

bool valid_track(int track) { return track >= 1 && track <= cd_state.track_count && track <= kCdMaxTracks; }

void go_to_track_start(int track) {
    if (!valid_track(track)) return;
    cd_state.current_track = static_cast<uint8_t>(track);
    cd_state.current_position = convert_frames_to_msf(cd_state.track_start[static_cast<size_t>(track)]);
}

void play_from_current_position() {
    play_cd_audio(cd_state.current_position.minutes, cd_state.current_position.seconds,
                  cd_state.current_position.frames);
}

void draw_position_digits(int colour) {
    const CdTime& p = cd_state.current_position;
    draw_timecode_digits_for_test(p.minutes / 60, p.minutes % 60, p.seconds, p.frames, colour);
}

}  // namespace

// --- conversions ------------------------------------------------------------------

int32_t convert_msf_to_frames(int m, int s, int f) { return m * 4500 + s * 75 + f; }

CdTime convert_frames_to_msf(int32_t frames) {
    CdTime t;
    if (frames < 0) frames = 0;
    t.minutes = static_cast<uint16_t>(frames / 4500);
    t.seconds = static_cast<uint16_t>((frames - 4500 * t.minutes) / 75);
    t.frames = static_cast<int16_t>(frames - 4500 * t.minutes - 75 * t.seconds);
    return t;
}

uint32_t pack_msf(int m, int s, int f) {
    return static_cast<uint32_t>(m & 0xFF) << 16 | static_cast<uint32_t>(s & 0xFF) << 8 | static_cast<uint32_t>(f & 0xFF);
}

CdTime unpack_msf(uint32_t packed) {
    CdTime t;
    t.minutes = static_cast<uint16_t>(packed >> 16 & 0xFF);
    t.seconds = static_cast<uint16_t>(packed >> 8 & 0xFF);
    t.frames = static_cast<int16_t>(packed & 0xFF);
    return t;
}

// --- device requests ----------------------------------------------------------------

uint32_t get_cd_device_status() {
    if (!can_send()) return 0;
    ioctl_request(kCmdIoctlInput, kIoctlDeviceStatus);
    cd_state.device_status = peek_u32(kControlBlock + 1);
    return cd_state.device_status;
}

uint8_t get_cd_media_change() {
    if (!can_send()) return 0;
    ioctl_request(kCmdIoctlInput, kIoctlMediaChanged);
    cd_state.media_change = peek(kControlBlock + 1);
    return cd_state.media_change;
}

void get_cd_disc_info(uint8_t& track_count, uint32_t& lead_out) {
    track_count = 0;
    lead_out = 0;
    if (!can_send()) return;
    ioctl_request(kCmdIoctlInput, kIoctlDiskInfo);
    track_count = static_cast<uint8_t>(peek(kControlBlock + 2) - peek(kControlBlock + 1) + 1);
    lead_out = peek_u32(kControlBlock + 3);
}

void get_cd_track_info(int track, uint32_t& start, uint8_t& control) {
    start = 0;
    control = 0;
    if (!can_send()) return;
    ioctl_request(kCmdIoctlInput, kIoctlTrackInfo, static_cast<uint8_t>(track));
    start = peek_u32(kControlBlock + 2);
    control = peek(kControlBlock + 6);
}

void get_cd_position(int& track, int& m, int& s, int& f) {
    track = m = s = f = 0;
    if (!can_send()) return;
    if (cd_state.position_request_ready == 0) {
        write_header(kCmdIoctlInput, true);
        poke(kControlBlock, kIoctlQChannel);
        cd_state.position_request_ready = 1;
    }
    call_driver();
    const uint8_t bcd = peek(kControlBlock + 2);
    track = (bcd >> 4) * 10 + (bcd & 0x0F);
    m = peek(kControlBlock + 8);
    s = peek(kControlBlock + 9);
    f = peek(kControlBlock + 10);
}

void eject_cd() {
    if (can_send()) ioctl_request(kCmdIoctlOutput, kIoctlEject);
}

void close_cd_tray() {
    if (can_send()) ioctl_request(kCmdIoctlOutput, kIoctlCloseTray);
}

void play_cd_audio(int m, int s, int f) {
    if (!can_send()) return;
    cd_state.position_request_ready = 0;
    write_header(kCmdPlayAudio, false);
    poke(kAddressingMode, kRedBook);
    platform::far_poke_dword(cd_state.buffer_selector, kTransferAddress, pack_msf(m, s, f));
    const int32_t last_end = valid_track(cd_state.track_count) ? cd_state.track_end[cd_state.track_count] : 0;
    const int32_t sectors = last_end - convert_msf_to_frames(m, s, f) + 1;
    platform::far_poke_dword(cd_state.buffer_selector, kPlaySectorCount, static_cast<uint32_t>(sectors > 0 ? sectors : 0));
    call_driver();
    cd_state.play_state = kCdPlaying;
}

void stop_cd_audio() {
    if (!can_send()) return;
    cd_state.position_request_ready = 0;
    write_header(kCmdStopAudio, false);
    call_driver();
    cd_state.play_state = cd_state.play_state == kCdPlaying ? kCdPaused : kCdStopped;
}

void read_cd_toc() {
    get_cd_media_change();
    bool usable = (get_cd_device_status() & kStatusNoDisc) == 0 && can_send();
    uint8_t count = 0;
    uint32_t lead_out = 0;
    uint32_t first_start = 0;
    uint8_t control = 0;
    if (usable) {
        get_cd_disc_info(count, lead_out);
        get_cd_track_info(1, first_start, control);
        usable = count != 0 && count <= kCdMaxTracks && (control & kControlDataTrack) == 0;
    }
    std::array<int32_t, kCdMaxTracks + 2> starts{};
    if (usable) {
        for (int t = 1; t <= count; ++t) {
            uint32_t start = 0;
            get_cd_track_info(t, start, control);
            const CdTime at = unpack_msf(start);
            starts[static_cast<size_t>(t)] = convert_msf_to_frames(at.minutes, at.seconds, at.frames);
        }
        const CdTime end_at = unpack_msf(lead_out);
        starts[static_cast<size_t>(count) + 1] = convert_msf_to_frames(end_at.minutes, end_at.seconds, end_at.frames);
        // A table whose tracks do not follow one another is no disc to play.
        for (size_t t = 1; t <= count; ++t) {
            if (starts[t + 1] <= starts[t]) usable = false;
        }
    }
    if (!usable) {
        cd_state.lead_out = 0;
        cd_state.track_count = 0;
        cd_state.disc_end = CdTime{};
        cd_state.current_track = 0;
        cd_state.current_position = CdTime{};
        cd_state.trigger_track = 0;
        cd_state.trigger_time = CdTime{};
        cd_state.disc_ready = 0;
        return;
    }
    cd_state.lead_out = lead_out;
    cd_state.track_count = count;
    for (size_t t = 1; t <= count; ++t) {
        cd_state.track_start[t] = starts[t];
        cd_state.track_end[t] = starts[t + 1] - 1;
    }
    cd_state.disc_end = convert_frames_to_msf(cd_state.track_end[count]);

    if (!valid_track(cd_state.current_track)) cd_state.current_track = 1;
    const int32_t at = position_frames();
    if (at < cd_state.track_start[cd_state.current_track] || at > cd_state.track_end[cd_state.current_track]) {
        go_to_track_start(cd_state.current_track);
    }
    if (!valid_track(cd_state.trigger_track)) cd_state.trigger_track = 1;
    const int32_t trigger = convert_msf_to_frames(cd_state.trigger_time.minutes, cd_state.trigger_time.seconds,
                                                  cd_state.trigger_time.frames);
    if (trigger < cd_state.track_start[cd_state.trigger_track] || trigger > cd_state.track_end[cd_state.trigger_track]) {
        cd_state.trigger_time = cd_state.current_position;
    }
    cd_state.disc_ready = 1;
}

void init_cdrom_for_test() {
    cd_state = CdState{};
    platform::Regs alloc;
    alloc.set_ax(0x0100);
    alloc.set_bx(kBufferParagraphs);
    platform::int386(0x31, alloc);
    if (alloc.carry) {
        cd_buffer_selector = 0;
        return;
    }
    cd_state.buffer_segment = alloc.ax();
    cd_state.buffer_selector = static_cast<uint16_t>(alloc.edx);
    cd_buffer_selector = cd_state.buffer_selector;

    platform::RealModeCall check;
    check.eax = kInstallationCheck;
    platform::call_real_mode_int(kMultiplexInterrupt, &check);
    if ((check.ebx & 0xFFFF) == 0) return;
    cd_state.drive = static_cast<int16_t>(check.ecx & 0xFFFF);
    read_cd_toc();
    stop_cd_audio();
}

void free_dos_buffer(uint16_t selector) {
    if (selector == 0) return;
    platform::Regs regs;
    regs.set_ax(0x0101);
    regs.edx = selector;
    platform::int386(0x31, regs);
}

// --- the test's steps --------------------------------------------------------------

void draw_cd_track_info() {
    char line[48] = {};
    std::snprintf(line, sizeof line, "TRACKS:%d - CUR.TRACK:%d", cd_state.track_count, cd_state.current_track);
    paint_panel(kTrackLineLeft, kTrackLineTop, kTrackLineRight, kTrackLineBottom);
    draw_text(kYellow, kTrackLineX, kTrackLineY, line);
}

void poll_cd_status_for_test() {
    const uint32_t status = get_cd_device_status();
    if ((status & kStatusNoDisc) == 0) {
        if (get_cd_media_change() == kMediaChanged) {
            read_cd_toc();
            draw_cd_track_info();
            if (cd_state.disc_ready != 0 && cd_state.play_state == kCdPlaying) play_from_current_position();
        }
    } else if (cd_state.disc_ready != 0) {
        cd_state.disc_ready = 0;
        draw_cd_track_info();
    }
}

void step_cd_track(int delta) {
    const bool was_playing = cd_state.play_state == kCdPlaying;
    if (was_playing) stop_cd_audio();
    int track = cd_state.current_track;
    const int32_t start = valid_track(track) ? cd_state.track_start[static_cast<size_t>(track)] : 0;
    if (delta < 0) {
        if (position_frames() < start + kBackToPreviousFrames) track += delta;
    } else {
        track += delta;
    }
    if (track > cd_state.track_count) track = 1;
    if (track < 1) track = cd_state.track_count;
    go_to_track_start(track);
    draw_position_digits(kCyan);
    draw_cd_track_info();
    if (was_playing) play_from_current_position();
}

void restart_cd_at_track_1() {
    const bool was_playing = cd_state.play_state == kCdPlaying;
    if (was_playing) stop_cd_audio();
    go_to_track_start(1);
    draw_cd_track_info();
    if (was_playing) play_from_current_position();
}

bool read_cd_time_for_test(int& h, int& m, int& s, int& f) {
    h = m = s = f = 0;
    if (cd_state.drive == kNoCdromDrive || cd_state.disc_ready == 0 || cd_state.play_state != kCdPlaying) return false;
    int track = 0;
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
    get_cd_position(track, minutes, seconds, frames);
    cd_state.current_position = CdTime{static_cast<uint16_t>(minutes), static_cast<uint16_t>(seconds),
                                       static_cast<int16_t>(frames)};
    if (track != cd_state.current_track && frames != 0) {
        ++cd_track_change_count;
        if (cd_track_change_count >= kTrackChangeReads) {
            cd_track_change_count = 0;
            if (valid_track(track)) cd_state.current_track = static_cast<uint8_t>(track);
            draw_cd_track_info();
        }
    }
    if (minutes == cd_state.disc_end.minutes && seconds == cd_state.disc_end.seconds) restart_cd_at_track_1();
    h = minutes / 60;
    m = minutes % 60;
    s = seconds;
    f = frames;
    return true;
}

namespace {

struct CdTestState {
    int result = -1;
    bool bad = false;
    bool running_seen = false;
    bool just_stepped = false;
    int good_steps = 0;
    uint32_t last_change_ms = 0;
    double previous_s = 0;
    double drawn_s = -1;
    int drawn_colour = -1;
};

void enter_bad_state(CdTestState& st, uint32_t now_ms) {
    st.bad = true;
    st.good_steps = 0;
    st.result = 0;
    fill_solid(kLightGreen, kMessageLeft, kMessageTop, kMessageRight, kMessageBottom);
    draw_text(kRed, kMessageX, kMessageY,
              now_ms - st.last_change_ms < kFrozenMs ? "BAD CDROM-TIMECODE --> TESTING..."
                                                     : "TIMECODE DOESN'T CHANGE --> TESTING...");
    beep_tone(1000, 500);
}

void judge_cd_step(CdTestState& st, double t) {
    const double p = st.previous_s;
    const uint32_t now_ms = read_card_clock_for_test();
    if (!st.bad) {
        if (t != p) st.last_change_ms = now_ms;
        if (st.just_stepped) return;
        if (now_ms - st.last_change_ms >= kFrozenMs || t < p || (t - p > kLargestStepS && st.running_seen)) {
            enter_bad_state(st, now_ms);
        } else if (t != p) {
            st.running_seen = true;
            st.result = 1;
        }
        return;
    }
    if (t > p && t - p <= kLargestStepS) {
        ++st.good_steps;
    } else if (t != p) {
        st.good_steps = 0;
    }
    if (st.good_steps >= kGoodStepsToRecover) {
        st.bad = false;
        paint_panel(kMessageLeft, kMessageTop, kMessageRight, kMessageBottom);
        st.last_change_ms = now_ms;
        st.result = 1;
    }
}

}  // namespace

bool test_cdrom() {
    begin_test(kTestCdrom);
    if (cd_state.drive == kNoCdromDrive) {
        report_test_not_possible(kNotFound);
        return false;
    }
    draw_test_frame("", kTitleX, "");
    fill_solid(kRed, 150, 100, 490, 120);
    draw_text(kWhite, kTitleX, kTitleY, "CHECKING CDROM");
    read_cd_toc();
    if (cd_state.disc_ready == 0) {
        eject_cd();
        fill_solid(kLightGreen, kBoxLeft, kBoxTop, kBoxRight, kBoxBottom);
        draw_text(kRed, kBoxTextX, kBoxTextY, "PLEASE INSERT AN AUDIO-CD ...");
        draw_status_line(kInsertStatus);
        beep_tone(800, 100);
        const int key = read_answer_key();
        close_cd_tray();
        if (key == kEscKey) return false;
        read_cd_toc();
        paint_panel(kBoxLeft, kBoxTop, kBoxRight, kBoxBottom);
    }
    draw_cd_track_info();
    draw_status_line(kTestStatus);
    beep_tone(800, 200);
    draw_timecode_frame();
    draw_timecode_digits_for_test(0, 0, 0, 0, kDarkGrey);
    CdTestState st;
    if (cd_state.disc_ready != 0) {
        play_from_current_position();
    } else {
        cd_state.play_state = kCdPlaying;
    }
    st.last_change_ms = read_card_clock_for_test();

    for (;;) {
        poll_cd_status_for_test();
        int h = 0;
        int m = 0;
        int s = 0;
        int f = 0;
        read_cd_time_for_test(h, m, s, f);
        const double t = h * 3600.0 + m * 60.0 + s + f * kFrameS;
        judge_cd_step(st, t);
        st.just_stepped = false;
        const int colour = st.bad ? kCyan : kLightCyan;
        if (colour != st.drawn_colour || t != st.drawn_s) {
            draw_timecode_digits_for_test(h, m, s, f, colour);
            st.drawn_colour = colour;
            st.drawn_s = t;
        }
        st.previous_s = t;

        if (platform::kbhit() != 0) {
            int key = platform::getch();
            if (key == 0) key = platform::getch();
            if (key == kEscKey) break;
            if ((key == '+' || key == '-') && cd_state.disc_ready != 0) {
                step_cd_track(key == '+' ? 1 : -1);
                st.just_stepped = true;
                st.drawn_colour = -1;
            }
        }
        platform::idle_poll();
    }

    stop_cd_audio();
    if (st.result == 1) return finish_test(kTestCdrom, kTestOk);
    if (st.result == 0) return finish_test(kTestCdrom, "ERROR : CDROM DOESN'T WORK!");
    return finish_test(kTestCdrom, "ERROR : CDROM NOT TESTED!");
}

}  // namespace hwtest
