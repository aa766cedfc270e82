#include "host/host.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include <termios.h>
#include <unistd.h>

#include "host/belt_keys.h"
#include "host/dmx_output.h"
#include "host/fader_keys.h"
#include "host/frame.h"
#include "host/key_input.h"
#include "host/lcd_echo.h"
#include "host/midi_ports.h"
#include "host/sacn.h"
#include "host/drives.h"
#include "host/surface.h"
#include "host/surface_keys.h"
#include "host/window_fit.h"
#include "platform/mouse.h"
#include "platform/text_screen.h"

#if BRAVINOX_HAVE_SDL
#include <SDL.h>
#endif

namespace host {

namespace {

using MonotonicClock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kPollPeriod{4};

struct HostState {
    platform::Machine* machine = nullptr;
    MonotonicClock::time_point started{};
    MonotonicClock::time_point next_poll{};
    uint64_t printed_text_revision = 0;  // revision 0: the screen as switched on
    bool printed_text = false;
    bool window = false;
    QuitHandler on_quit = nullptr;
    std::optional<MonotonicClock::time_point> quit_asked;
    bool in_quit_handler = false;
    uint64_t next_lcd_echo_ms = 0;
};

HostState state;

// Signals that ask the program to end: set by the handler, taken by the pump.
volatile std::sig_atomic_t quit_signalled = 0;

std::unique_ptr<SacnSender> sacn_sender;
std::unique_ptr<DmxOutput> dmx_output;

void open_dmx_output() {
    const char* setting = std::getenv("BRAVINOX_SACN");
    const std::string destination = setting != nullptr ? setting : "127.0.0.1";
    if (destination == "off") return;
    sacn_sender = std::make_unique<SacnSender>(destination == "multicast" ? "" : destination);
    dmx_output = std::make_unique<DmxOutput>(
        [](uint16_t universe, std::span<const uint8_t> levels) { sacn_sender->send(universe, levels); });
}

// Receivers release the universes at once instead of holding the last look.
void end_dmx_output() {
    if (!dmx_output) return;
    dmx_output->end_streams(
        [](uint16_t universe, std::span<const uint8_t> levels) { sacn_sender->terminate(universe, levels); });
}

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

// Headless, the console's LCD text as it changes.
LcdEcho lcd_echo;

void print_lcd_changes() {
    platform::Machine& m = *state.machine;
    if (m.clock.now_ms < state.next_lcd_echo_ms) return;
    state.next_lcd_echo_ms = m.clock.now_ms + kLcdEchoPeriod_ms;
    for (const std::string& line : lcd_echo.changes(m.cards)) std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void print_text_screen() {
    const platform::TextScreen& text = state.machine->text;
    if (text.revision == state.printed_text_revision) return;
    state.printed_text_revision = text.revision;
    state.printed_text = true;
    const std::string ansi = text.render_ansi();
    std::fwrite(ansi.data(), 1, ansi.size(), stdout);
    std::fflush(stdout);
}

void request_quit() {
    if (!state.quit_asked) state.quit_asked = MonotonicClock::now();
}

// The program's quit handler, once a quit was asked for; never from inside
// itself (its own waits pump the host too).
void run_quit_handler() {
    if (quit_signalled != 0) request_quit();
    if (!state.quit_asked || state.in_quit_handler) return;
    const auto since = MonotonicClock::now() - *state.quit_asked;
    const auto since_ms = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
    state.in_quit_handler = true;
    if (state.on_quit != nullptr) {
        state.on_quit(since_ms);
    } else {
        platform::exit_program(1);
    }
    state.in_quit_handler = false;
}

// --- the terminal and standard input ------------------------------------------------

termios saved_terminal{};
bool terminal_raw = false;
std::unique_ptr<KeyInput> stdin_keys;
SurfaceKeys surface_keys;
ConsoleSurface surface;

void restore_terminal() {
    if (terminal_raw) tcsetattr(STDIN_FILENO, TCSANOW, &saved_terminal);
    terminal_raw = false;
}

// Keys from standard input: a pipe or file as it comes, a terminal raw and
// unechoed (Ctrl-C still signals). A terminal that belongs to another
// process group (the program runs in the background) is left alone.
void open_stdin_keys() {
    if (isatty(STDIN_FILENO) != 0) {
        if (tcgetpgrp(STDIN_FILENO) != getpgrp() || tcgetattr(STDIN_FILENO, &saved_terminal) != 0) return;
        termios raw = saved_terminal;
        raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) return;
        terminal_raw = true;
        std::atexit(restore_terminal);
    }
    stdin_keys = std::make_unique<KeyInput>(STDIN_FILENO, &state.machine->cards, &surface_keys);
}

void read_stdin_keys() {
    if (stdin_keys && !stdin_keys->ended()) stdin_keys->read_keys(state.machine->text);
}

void on_quit_signal(int) {
    if (quit_signalled != 0) {
        // Asked twice: the program's ending hangs, so end at once.
        if (terminal_raw) tcsetattr(STDIN_FILENO, TCSANOW, &saved_terminal);
        _exit(1);
    }
    quit_signalled = 1;
}

void install_signal_handlers() {
    struct sigaction action {};
    action.sa_handler = &on_quit_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

#if BRAVINOX_HAVE_SDL

// --- the window -------------------------------------------------------------------------

struct Window {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    SDL_AudioDeviceID audio = 0;
    bool audio_paused = true;
    std::chrono::milliseconds frame_interval{16};  // the display's refresh period
    MonotonicClock::time_point last_look{};
    // What the window shows now, to present only when something changed.
    bool exposed = true;
    bool shown_graphics = false;
    uint64_t shown_text_revision = 0;
    std::array<uint8_t, platform::kScreenPixels> shown_pixels{};
    std::array<platform::Rgb6, platform::kColourCount> shown_palette{};
    // The trackerball pointer as drawn: position, or -1 when not drawn.
    Point shown_pointer{-1, -1};
    // The host pointer's last place over the screen, which the trackerball follows.
    std::optional<Point> last_screen_point;
    uint16_t trackerball_buttons = 0;  // buttons pressed over the screen
    // A click whose press and release come in one pass of the events is let
    // go only at the next pass, so the program sees the button down.
    uint16_t pressed_this_pass = 0;
    uint16_t release_next_pass = 0;
};

Window window;
std::atomic<int32_t> tone_freq_hz{0};  // read by the audio thread
FrameRgb frame{};
std::unique_ptr<Canvas> canvas;

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

void on_key_down(const SDL_KeyboardEvent& key) {
    platform::TextScreen& text = state.machine->text;
    if (key.keysym.sym == SDLK_c && (key.keysym.mod & KMOD_CTRL) != 0) {
        request_quit();
    } else if ((key.keysym.mod & KMOD_CTRL) != 0) {
        // Ctrl with a letter or a function key presses or lets go a held
        // console key; with a digit it moves a playback fader.
        if (key.keysym.sym >= SDLK_a && key.keysym.sym <= SDLK_z && key.repeat == 0) {
            surface_keys.toggle(state.machine->cards, static_cast<char>(key.keysym.sym));
        } else if (key.keysym.sym >= SDLK_F1 && key.keysym.sym <= SDLK_F12 && key.repeat == 0) {
            surface_keys.toggle_function_key(state.machine->cards, static_cast<int>(key.keysym.sym - SDLK_F1) + 1);
        } else if (key.keysym.sym >= SDLK_0 && key.keysym.sym <= SDLK_9) {
            const FaderMove move = fader_move_of(static_cast<char>(key.keysym.sym), (key.keysym.mod & KMOD_SHIFT) != 0);
            move_console_playback_fader(state.machine->cards, move);
        }
    } else if ((key.keysym.mod & KMOD_ALT) != 0) {
        // Alt with a belt key turns a function belt; the key types nothing.
        if (key.keysym.sym > 0 && key.keysym.sym < 128) {
            const BeltTurn turn = belt_turn_of(static_cast<char>(key.keysym.sym), (key.keysym.mod & KMOD_SHIFT) != 0);
            turn_console_belt(state.machine->cards, turn);
        }
    } else if (const int c = control_character(key.keysym.sym); c != 0) {
        text.push_key(static_cast<uint8_t>(c));
    } else if (const int code = extended_code(key.keysym.sym); code != 0) {
        text.push_extended_key(static_cast<uint8_t>(code));
    }
}

void on_text_input(const SDL_TextInputEvent& input) {
    if ((SDL_GetModState() & (KMOD_ALT | KMOD_CTRL)) != 0) return;  // a belt or surface key
    for (const char* p = input.text; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 32 && c < 127) state.machine->text.push_key(c);
    }
}

// The driver's button bit of an SDL button; 0 for the others.
uint16_t mouse_button_bit(uint8_t sdl_button) {
    switch (sdl_button) {
        case SDL_BUTTON_LEFT: return platform::kMouseLeft;
        case SDL_BUTTON_RIGHT: return platform::kMouseRight;
        case SDL_BUTTON_MIDDLE: return platform::kMouseMiddle;
        default: return 0;
    }
}

// The layout pixel under a window position; nothing in the black bands.
std::optional<Point> layout_point(int window_x, int window_y) {
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(window.window, &width, &height);
    const Size layout = surface.layout_size();
    return window_to_layout(layout, letterbox(layout, {width, height}), {window_x, window_y});
}

// Over the screen the trackerball's pointer is under the host's pointer: the
// driver counts the movement as mickeys and its pointer sits where the host's
// is (inside the range the program set), so it reaches every corner.
void follow_pointer(Point p) {
    platform::Mouse& mouse = state.machine->mouse;
    if (window.last_screen_point) {
        platform::mouse_move(p.x - window.last_screen_point->x, p.y - window.last_screen_point->y);
    }
    mouse.x = static_cast<int16_t>(std::clamp<int>(p.x, mouse.x_min, mouse.x_max));
    mouse.y = static_cast<int16_t>(std::clamp<int>(p.y, mouse.y_min, mouse.y_max));
    window.last_screen_point = p;
}

void on_mouse_motion(const SDL_MouseMotionEvent& motion) {
    const std::optional<Point> p = layout_point(motion.x, motion.y);
    platform::CardBus& cards = state.machine->cards;
    if (surface.captured()) {
        if (p) surface.pointer_move(cards, *p);
        return;
    }
    const bool over_screen = p && kScreenRect.contains(*p);
    if (over_screen) {
        follow_pointer(*p);
    } else {
        window.last_screen_point.reset();
    }
    if (p) surface.hover(*p);
    // The driver's pointer is drawn; the host's stays out of its way.
    SDL_ShowCursor(over_screen && state.machine->mouse.cursor_shown() ? SDL_DISABLE : SDL_ENABLE);
}

void on_mouse_button(const SDL_MouseButtonEvent& button) {
    const uint16_t bit = mouse_button_bit(button.button);
    platform::CardBus& cards = state.machine->cards;
    if (button.type == SDL_MOUSEBUTTONDOWN) {
        const std::optional<Point> p = layout_point(button.x, button.y);
        if (!p) return;
        if (kScreenRect.contains(*p)) {
            follow_pointer(*p);
            window.trackerball_buttons |= bit;
            window.pressed_this_pass |= bit;
        } else if (button.button == SDL_BUTTON_LEFT) {
            surface.pointer_down(cards, *p);
        }
    } else {
        if (button.button == SDL_BUTTON_LEFT) surface.pointer_up(cards);
        if ((window.pressed_this_pass & bit) != 0) {
            window.release_next_pass |= bit;
        } else {
            window.trackerball_buttons &= static_cast<uint16_t>(~bit);
        }
    }
    platform::mouse_set_buttons(window.trackerball_buttons);
}

void on_mouse_wheel(const SDL_MouseWheelEvent& wheel) {
    int x = 0;
    int y = 0;
    SDL_GetMouseState(&x, &y);
    if (const std::optional<Point> p = layout_point(x, y)) surface.wheel(state.machine->cards, *p, wheel.y);
}

void pump_events() {
    if (window.release_next_pass != 0) {
        window.trackerball_buttons &= static_cast<uint16_t>(~window.release_next_pass);
        platform::mouse_set_buttons(window.trackerball_buttons);
    }
    window.pressed_this_pass = 0;
    window.release_next_pass = 0;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
            case SDL_QUIT: request_quit(); break;
            case SDL_KEYDOWN: on_key_down(event.key); break;
            case SDL_TEXTINPUT: on_text_input(event.text); break;
            case SDL_MOUSEMOTION: on_mouse_motion(event.motion); break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: on_mouse_button(event.button); break;
            case SDL_MOUSEWHEEL: on_mouse_wheel(event.wheel); break;
            case SDL_WINDOWEVENT: window.exposed = true; break;
            default: break;
        }
    }
}

// Where the driver's pointer is drawn: only over graphics, while shown.
Point pointer_to_draw() {
    const platform::Machine& m = *state.machine;
    if (!m.graphics.open || !m.mouse.cursor_shown()) return {-1, -1};
    return {m.mouse.x, m.mouse.y};
}

// True when the screen part would show something else than it shows now.
bool screen_changed() {
    const platform::Machine& m = *state.machine;
    if (window.exposed || m.graphics.open != window.shown_graphics) return true;
    const Point pointer = pointer_to_draw();
    if (pointer.x != window.shown_pointer.x || pointer.y != window.shown_pointer.y) return true;
    if (!m.graphics.open) return m.text.revision != window.shown_text_revision;
    return m.graphics.pixels != window.shown_pixels || m.graphics.palette != window.shown_palette;
}

void present_if_changed() {
    const bool screen = screen_changed();
    const bool panel = surface.look_changed(*state.machine);
    if (!screen && !panel) return;
    const platform::Machine& m = *state.machine;
    window.exposed = false;
    window.shown_graphics = m.graphics.open;
    window.shown_text_revision = m.text.revision;
    window.shown_pointer = pointer_to_draw();
    if (m.graphics.open) {
        window.shown_pixels = m.graphics.pixels;
        window.shown_palette = m.graphics.palette;
    }
    render_screen(m, frame);
    canvas->put_screen(kScreenRect.x, kScreenRect.y, frame);
    if (window.shown_pointer.x >= 0) draw_mouse_pointer(*canvas, window.shown_pointer.x, window.shown_pointer.y);
    surface.draw(m, *canvas);
    const Size layout = canvas->size();
    SDL_UpdateTexture(window.texture, nullptr, canvas->data(), layout.width * 4);
    Size output;
    SDL_GetRendererOutputSize(window.renderer, &output.width, &output.height);
    const Viewport view = letterbox(layout, output);
    // Whole multiples stay sharp; other sizes are smoothed.
    const bool whole = view.width % layout.width == 0 && view.height % layout.height == 0;
    SDL_SetTextureScaleMode(window.texture, whole ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
    const SDL_Rect target{view.x, view.y, view.width, view.height};
    SDL_SetRenderDrawColor(window.renderer, 0, 0, 0, 255);
    SDL_RenderClear(window.renderer);
    SDL_RenderCopy(window.renderer, window.texture, nullptr, &target);
    SDL_RenderPresent(window.renderer);
}

// Events and the picture, at most once a display frame.
void pump_window() {
    const auto now = MonotonicClock::now();
    if (now - window.last_look < window.frame_interval) return;
    window.last_look = now;
    pump_events();
    present_if_changed();
}

// A square wave at the speaker's frequency; the device rests while silent.
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

void play_tone() {
    const int32_t freq_hz = state.machine->speaker.freq_hz;
    tone_freq_hz.store(freq_hz, std::memory_order_relaxed);
    if (window.audio == 0 || window.audio_paused == (freq_hz <= 0)) return;
    window.audio_paused = freq_hz <= 0;
    SDL_PauseAudioDevice(window.audio, window.audio_paused ? 1 : 0);
}

void open_audio() {
    // Sound only where the machine has a sound card.
    if (!std::filesystem::exists("/dev/snd") || SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 512;
    want.callback = audio_callback;
    window.audio = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
}

bool open_window() {
    const char* headless = std::getenv("BRAVINOX_HEADLESS");
    if (headless != nullptr && headless[0] == '1') return false;
    // Without a display server there is no window, whatever SDL could fall back on.
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) return false;
    // Ctrl-C and SIGTERM go to the host's own handlers, not into the event queue.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
    const Size layout = surface.layout_size();
    SDL_Rect usable{0, 0, layout.width, layout.height};
    SDL_GetDisplayUsableBounds(0, &usable);
    const Size start = start_window_size(layout, {usable.w, usable.h});
    window.window = SDL_CreateWindow(program_invocation_short_name, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                     start.width, start.height, SDL_WINDOW_RESIZABLE);
    if (window.window == nullptr) return false;
    SDL_SetWindowMinimumSize(window.window, layout.width / 4, layout.height / 4);
    window.renderer = SDL_CreateRenderer(window.window, -1, 0);
    if (window.renderer == nullptr) window.renderer = SDL_CreateRenderer(window.window, -1, SDL_RENDERER_SOFTWARE);
    if (window.renderer == nullptr) return false;
    window.texture = SDL_CreateTexture(window.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                       layout.width, layout.height);
    if (window.texture == nullptr) return false;
    canvas = std::make_unique<Canvas>(layout);
    SDL_DisplayMode mode{};
    if (SDL_GetCurrentDisplayMode(0, &mode) == 0 && mode.refresh_rate > 0) {
        window.frame_interval = std::chrono::milliseconds(1000 / mode.refresh_rate);
    }
    SDL_StartTextInput();
    open_audio();
    return true;
}

void close_window() {
    if (window.audio != 0) SDL_CloseAudioDevice(window.audio);
    if (window.texture != nullptr) SDL_DestroyTexture(window.texture);
    if (window.renderer != nullptr) SDL_DestroyRenderer(window.renderer);
    if (window.window != nullptr) SDL_DestroyWindow(window.window);
    SDL_Quit();
    window = Window{};
}

#else

bool open_window() { return false; }
void close_window() {}
void pump_window() {}
void play_tone() {}

#endif

// One pass of the host: time, DMX, keys, window, sound, terminal, quitting.
void pump() {
    follow_real_time();
    if (dmx_output) dmx_output->send_changes(*state.machine);
    read_stdin_keys();
    pump_midi_ports(state.machine->sync);
    play_tone();
    if (state.window) {
        pump_window();
    } else {
        print_lcd_changes();
    }
    print_text_screen();
    run_quit_handler();
}

// The program polls only while it waits (for a key, a release, a time):
// one pass a poll period is enough for its clock, its fades and its input,
// and each wake-up costs the processor more than the pass itself.
void on_poll(void*) {
    pump();
    const auto now = MonotonicClock::now();
    if (now < state.next_poll) std::this_thread::sleep_until(state.next_poll);
    state.next_poll = std::max(state.next_poll, now) + kPollPeriod;
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

void open(platform::Machine& machine, QuitHandler on_quit) {
    state.machine = &machine;
    state.on_quit = on_quit;
    state.started = MonotonicClock::now();
    machine.clock.time_of_day_at_start_ms = local_time_of_day_ms();
    machine.hooks = platform::RunHooks{nullptr, &on_poll, &on_delay, &on_exit};
    machine.graphics.log_calls = false;  // the call log serves tests only
    install_signal_handlers();
    open_dmx_output();
    surface_keys.load_layout(program_folder() / "keyboard.cfg");
    surface.load_layout(program_folder() / "keyboard.cfg");
    state.window = open_window();
    if (!state.window) {
        close_window();
        std::printf("%s: no display, running headless (keys from standard input)\n", program_invocation_short_name);
        std::fflush(stdout);
    }
    open_stdin_keys();
    open_midi_ports(program_invocation_short_name);
}

bool has_window() { return state.window; }

void close() {
    end_dmx_output();
    close_midi_ports();
    restore_terminal();
    if (state.window) close_window();
    state.window = false;
    // The shell's prompt goes below the text screen's last copy.
    if (state.printed_text) std::fputs("\x1b[0m\x1b[?25h\x1b[25;1H\r\n", stdout);
    state.printed_text = false;
}

}  // namespace host
