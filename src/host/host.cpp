#include "host/host.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <thread>

#include <termios.h>
#include <unistd.h>

#include "host/frame.h"
#include "host/sacn.h"
#include "platform/mouse.h"
#include "platform/text_screen.h"

#if BRAVINOX_HAVE_SDL
#include <SDL.h>
#endif

namespace host {

namespace {

using MonotonicClock = std::chrono::steady_clock;

struct HostState {
    platform::Machine* machine = nullptr;
    MonotonicClock::time_point started{};
    MonotonicClock::time_point last_present{};
    uint64_t printed_text_revision = 0;  // revision 0: the screen as switched on
    bool quit = false;
    bool window = false;
#if BRAVINOX_HAVE_SDL
    SDL_Window* sdl_window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    SDL_AudioDeviceID audio = 0;
#endif
};

HostState state;

// sACN output of the card universes (universe = 2 x slot + half, as the
// configuration numbers the DMX cards).
struct DmxOutput {
    std::unique_ptr<SacnSender> sender;
    std::array<uint32_t, platform::kCardSlots> frames_seen{};
    std::array<std::array<uint8_t, 512>, 2 * platform::kCardSlots> last_sent{};
    std::array<uint64_t, 2 * platform::kCardSlots> last_sent_ms{};
};
DmxOutput dmx_output;
constexpr uint64_t kSacnRefresh_ms = 1000;

void open_dmx_output() {
    const char* setting = std::getenv("BRAVINOX_SACN");
    const std::string destination = setting != nullptr ? setting : "127.0.0.1";
    if (destination == "off") return;
    dmx_output.sender = std::make_unique<SacnSender>(destination == "multicast" ? "" : destination);
}

void send_dmx_output() {
    if (!dmx_output.sender) return;
    platform::Machine& m = *state.machine;
    for (int slot = 0; slot < platform::kCardSlots; ++slot) {
        if (!m.cards.fitted(slot)) continue;
        const uint32_t frames = m.cards.frames_sent(slot);
        if (frames == dmx_output.frames_seen[static_cast<size_t>(slot)]) continue;
        dmx_output.frames_seen[static_cast<size_t>(slot)] = frames;
        for (int half = 1; half <= 2; ++half) {
            const size_t u = static_cast<size_t>(2 * slot + half - 1);
            const std::span<const uint8_t> frame = m.cards.sent_frame(slot, half);
            if (frame.size() != 512) continue;
            const bool changed = !std::equal(frame.begin(), frame.end(), dmx_output.last_sent[u].begin());
            if (!changed && m.clock.now_ms - dmx_output.last_sent_ms[u] < kSacnRefresh_ms) continue;
            std::copy(frame.begin(), frame.end(), dmx_output.last_sent[u].begin());
            dmx_output.last_sent_ms[u] = m.clock.now_ms;
            dmx_output.sender->send(static_cast<uint16_t>(u + 1), frame);
        }
    }
}
std::atomic<int32_t> tone_freq_hz{0};  // read by the audio thread
FrameRgb frame{};

uint32_t local_time_of_day_ms() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    return static_cast<uint32_t>(((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 + ms);
}

// The virtual clock follows the monotonic clock.
void follow_real_time() {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                             MonotonicClock::now() - state.started)
                             .count();
    const uint64_t elapsed_ms = static_cast<uint64_t>(elapsed);
    platform::Machine& m = *state.machine;
    if (elapsed_ms > m.clock.now_ms) m.advance_ms(static_cast<uint32_t>(elapsed_ms - m.clock.now_ms));
}

void print_text_screen() {
    const platform::TextScreen& text = state.machine->text;
    if (text.revision == state.printed_text_revision) return;
    state.printed_text_revision = text.revision;
    const std::string ansi = text.render_ansi();
    std::fwrite(ansi.data(), 1, ansi.size(), stdout);
    std::fflush(stdout);
}

#if BRAVINOX_HAVE_SDL

// BIOS scan codes of the keys that reach the program as 0 then a code.
int extended_code(SDL_Keycode key) {
    switch (key) {
        case SDLK_F1: return 59;
        case SDLK_F2: return 60;
        case SDLK_F3: return 61;
        case SDLK_F4: return 62;
        case SDLK_F5: return 63;
        case SDLK_F6: return 64;
        case SDLK_F7: return 65;
        case SDLK_F8: return 66;
        case SDLK_F9: return 67;
        case SDLK_F10: return 68;
        case SDLK_F11: return 133;
        case SDLK_F12: return 134;
        case SDLK_HOME: return 71;
        case SDLK_UP: return 72;
        case SDLK_PAGEUP: return 73;
        case SDLK_LEFT: return 75;
        case SDLK_RIGHT: return 77;
        case SDLK_END: return 79;
        case SDLK_DOWN: return 80;
        case SDLK_PAGEDOWN: return 81;
        case SDLK_INSERT: return 82;
        case SDLK_DELETE: return 83;
        default: return 0;
    }
}

int control_character(SDL_Keycode key) {
    switch (key) {
        case SDLK_ESCAPE: return 27;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return 13;
        case SDLK_BACKSPACE: return 8;
        case SDLK_TAB: return 9;
        default: return 0;
    }
}

// Closing the window types the console's own quit entry, K*999, so the
// console shuts its surface down as on any other quit.
void request_quit() {
    if (state.quit) return;
    state.quit = true;
    for (const char c : {'K', '*', '9', '9', '9'}) state.machine->text.push_key(static_cast<uint8_t>(c));
}

void on_key_down(const SDL_KeyboardEvent& key) {
    platform::TextScreen& text = state.machine->text;
    if (const int c = control_character(key.keysym.sym); c != 0) {
        text.push_key(static_cast<uint8_t>(c));
    } else if (const int code = extended_code(key.keysym.sym); code != 0) {
        text.push_extended_key(static_cast<uint8_t>(code));
    }
}

void on_text_input(const SDL_TextInputEvent& input) {
    for (const char* p = input.text; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 32 && c < 127) state.machine->text.push_key(c);
    }
}

uint16_t mouse_button_bits(uint32_t sdl_buttons) {
    uint16_t bits = 0;
    if (sdl_buttons & SDL_BUTTON(SDL_BUTTON_LEFT)) bits |= 1;
    if (sdl_buttons & SDL_BUTTON(SDL_BUTTON_RIGHT)) bits |= 2;
    if (sdl_buttons & SDL_BUTTON(SDL_BUTTON_MIDDLE)) bits |= 4;
    return bits;
}

void pump_events() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
            case SDL_QUIT: request_quit(); break;
            case SDL_KEYDOWN: on_key_down(event.key); break;
            case SDL_TEXTINPUT: on_text_input(event.text); break;
            case SDL_MOUSEMOTION: platform::mouse_move(event.motion.xrel, event.motion.yrel); break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: platform::mouse_set_buttons(mouse_button_bits(SDL_GetMouseState(nullptr, nullptr))); break;
            default: break;
        }
    }
}

void present() {
    render_frame(*state.machine, frame);
    SDL_UpdateTexture(state.texture, nullptr, frame.data(), kFrameWidth * 4);
    SDL_RenderClear(state.renderer);
    SDL_RenderCopy(state.renderer, state.texture, nullptr, nullptr);
    SDL_RenderPresent(state.renderer);
}

// A square wave at the speaker's frequency.
void audio_callback(void*, Uint8* stream, int length) {
    static double phase = 0.0;
    constexpr double kRate = 44100.0;
    const int32_t freq_hz = tone_freq_hz.load(std::memory_order_relaxed);
    auto* samples = reinterpret_cast<int16_t*>(stream);
    const int count = length / 2;
    for (int i = 0; i < count; ++i) {
        if (freq_hz <= 0) {
            samples[i] = 0;
            continue;
        }
        phase += freq_hz / kRate;
        if (phase >= 1.0) phase -= 1.0;
        samples[i] = phase < 0.5 ? 3000 : -3000;
    }
}

bool open_window() {
    const char* headless = std::getenv("BRAVINOX_HEADLESS");
    if (headless != nullptr && headless[0] == '1') return false;
    // Without a display server there is no window, whatever SDL could fall back on.
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) return false;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
    state.sdl_window = SDL_CreateWindow("bravinox", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                        kFrameWidth * 2, kFrameHeight * 2, 0);
    if (state.sdl_window == nullptr) return false;
    state.renderer = SDL_CreateRenderer(state.sdl_window, -1, 0);
    if (state.renderer == nullptr) state.renderer = SDL_CreateRenderer(state.sdl_window, -1, SDL_RENDERER_SOFTWARE);
    if (state.renderer == nullptr) return false;
    state.texture = SDL_CreateTexture(state.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                      kFrameWidth, kFrameHeight);
    if (state.texture == nullptr) return false;
    SDL_StartTextInput();
    // Sound only where the machine has a sound card.
    if (std::filesystem::exists("/dev/snd") && SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        SDL_AudioSpec want{};
        want.freq = 44100;
        want.format = AUDIO_S16SYS;
        want.channels = 1;
        want.samples = 512;
        want.callback = audio_callback;
        state.audio = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        if (state.audio != 0) SDL_PauseAudioDevice(state.audio, 0);
    }
    return true;
}

void close_window() {
    if (state.audio != 0) SDL_CloseAudioDevice(state.audio);
    if (state.texture != nullptr) SDL_DestroyTexture(state.texture);
    if (state.renderer != nullptr) SDL_DestroyRenderer(state.renderer);
    if (state.sdl_window != nullptr) SDL_DestroyWindow(state.sdl_window);
    SDL_Quit();
    state.audio = 0;
    state.texture = nullptr;
    state.renderer = nullptr;
    state.sdl_window = nullptr;
}

#else

bool open_window() { return false; }
void close_window() {}
void pump_events() {}
void present() {}

#endif

// Without a window the terminal is the PC keyboard: raw, unechoed input.
termios saved_terminal{};
bool terminal_raw = false;

void restore_terminal() {
    if (terminal_raw) tcsetattr(STDIN_FILENO, TCSANOW, &saved_terminal);
    terminal_raw = false;
}

void make_terminal_raw() {
    if (isatty(STDIN_FILENO) == 0 || tcgetattr(STDIN_FILENO, &saved_terminal) != 0) return;
    termios raw = saved_terminal;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));  // Ctrl-C still ends the program
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) {
        terminal_raw = true;
        std::atexit(restore_terminal);
    }
}

void read_terminal_keys() {
    if (!terminal_raw) return;
    unsigned char bytes[32];
    const ssize_t count = read(STDIN_FILENO, bytes, sizeof bytes);
    for (ssize_t i = 0; i < count; ++i) {
        unsigned char c = bytes[i];
        if (c == '\n') c = 13;
        if (c == 127) c = 8;
        state.machine->text.push_key(c);
    }
}

// One pass of the host: time, events, window, sound, terminal.
void pump() {
    follow_real_time();
    tone_freq_hz.store(state.machine->speaker.freq_hz, std::memory_order_relaxed);
    send_dmx_output();
    if (!state.window) {
        read_terminal_keys();
        return print_text_screen();
    }
    const auto now = MonotonicClock::now();
    if (now - state.last_present < std::chrono::milliseconds(15)) return;
    state.last_present = now;
    pump_events();
    present();
    print_text_screen();
}

void on_poll(void*) {
    const uint64_t before_ms = state.machine->clock.now_ms;
    pump();
    // Nothing to do until the clock moves: give the processor back.
    if (state.machine->clock.now_ms == before_ms) std::this_thread::sleep_for(std::chrono::microseconds(500));
}

void on_delay(void*, uint32_t delay_ms) {
    const uint64_t target_ms = state.machine->clock.now_ms + delay_ms;
    while (state.machine->clock.now_ms < target_ms) {
        pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void on_exit(void*, int code) {
    close();
    std::fflush(stdout);
    std::exit(code);
}

}  // namespace

void open(platform::Machine& machine) {
    state.machine = &machine;
    state.started = MonotonicClock::now();
    machine.clock.time_of_day_at_start_ms = local_time_of_day_ms();
    machine.hooks = platform::RunHooks{nullptr, &on_poll, &on_delay, &on_exit};
    machine.graphics.log_calls = false;  // the call log serves tests only
    open_dmx_output();
    state.window = open_window();
    if (!state.window) {
        std::puts("bravinox: no display, running headless (keys from this terminal)");
        std::fflush(stdout);
        make_terminal_raw();
    }
}

bool has_window() { return state.window; }

void close() {
    restore_terminal();
    if (state.window) close_window();
    state.window = false;
}

}  // namespace host
