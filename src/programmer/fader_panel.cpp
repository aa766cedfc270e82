#include "programmer/fader_panel.h"

#include "runtime/step_log.h"

namespace programmer {

const std::array<double, 6> generator_wheel_scale = {0.5, 0.666667, 0.666667,
                                                     0.666667, 0.666667, 0.666667};
const std::array<double, 10> figure_wheel_scale = {0.5, 0.5, 0.666667, 0.666667, 0.666667,
                                                   0.666667, 0.666667, 0.666667, 0.666667,
                                                   0.666667};

int16_t fader_panel_kind = 0;

void reset_fader_panel_globals() { fader_panel_kind = 0; }

void build_fader_panel() { runtime::log_call("programmer::build_fader_panel"); }
void refresh_faders() { runtime::log_call("programmer::refresh_faders"); }
void refresh_function_faders() { runtime::log_call("programmer::refresh_function_faders"); }
void refresh_default_value_faders() {
    runtime::log_call("programmer::refresh_default_value_faders");
}
void refresh_generator_faders() { runtime::log_call("programmer::refresh_generator_faders"); }
void refresh_figure_faders() { runtime::log_call("programmer::refresh_figure_faders"); }
void follow_live_values() {}
void update_fader_key_leds() { runtime::log_call("programmer::update_fader_key_leds"); }

void set_fader_label(int16_t slot, const char* /*text*/, int16_t colour) {
    runtime::log_call("programmer::set_fader_label", {slot, colour});
}
void set_fader_number(int16_t slot, int16_t number, int16_t colour) {
    runtime::log_call("programmer::set_fader_number", {slot, number, colour});
}
void set_fader_strip_colour(int16_t slot, int16_t colour) {
    runtime::log_call("programmer::set_fader_strip_colour", {slot, colour});
}

}  // namespace programmer
