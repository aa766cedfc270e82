#include "memories/memory_output.h"

#include <algorithm>

#include "memories/memory_index.h"
#include "memories/presets.h"
#include "playback/output_merge.h"
#include "programmer/channel_generators.h"
#include "programmer/pantilt_figures.h"
#include "programmer/programmer_values.h"
#include "runtime/fixture_tables.h"
#include "runtime/show_tables.h"
#include "setup/setup_data.h"
#include "ui/memory_access.h"

namespace memories {

namespace {


uint16_t resolve_value(size_t record, uint16_t v) {
    if (v == kValueNotSet || v <= 1000) return v;
    const int preset = v - 1000;
    if (preset > kValuePresets || record > static_cast<size_t>(kPresetFunctionRecords)) return kValueNotSet;
    const uint16_t* table = value_preset_table[static_cast<size_t>(preset)];
    return table != nullptr ? table[record] : kValueNotSet;
}

uint8_t resolve_byte(const std::array<uint8_t*, kEffectPresets + 1>& presets, size_t offset, size_t bytes, uint8_t b) {
    if (b < 181 || b > 250) return b;
    const uint8_t* part = presets[static_cast<size_t>(b - 180)];
    return part != nullptr && offset < bytes ? part[offset] : kByteNotSet;
}

bool left_alone(uint16_t flags) { return (flags & (runtime::FLAG_MANUAL | runtime::FLAG_FROZEN)) != 0; }

}  // namespace

void apply_memory_to_output(int16_t memory, uint8_t mode) {
    if (memory < 1 || memory > kMemories || runtime::function_record_table == nullptr) return;
    ui::unpack_memory(memory);
    const ui::MemoryWorkBuffers& b = ui::memory_work_buffers;
    const auto records = static_cast<size_t>(std::clamp<int>(runtime::function_record_count, 0, static_cast<int>(runtime::kShowRecords)));
    const auto fixtures = static_cast<size_t>(std::clamp<int>(setup::fixture_count, 0, static_cast<int>(runtime::kShowFixtures)));
    const bool live = mode == kIntoLiveLayer;
    for (size_t r = 1; b.values != nullptr && r <= records; ++r) {
        const uint16_t v = resolve_value(r, b.values[r]);
        if (v == kValueNotSet) continue;
        if (!live) {
            programmer::set_function_value(static_cast<int16_t>(r), v);
        } else if (!left_alone(runtime::channel_flags[r])) {
            runtime::layer_values[0][r] = v;
            playback::mark_channel_dirty(static_cast<int16_t>(r));
        }
    }
    for (size_t i = 1; b.generators != nullptr && i <= records * runtime::kGeneratorBytesPerRecord; ++i) {
        const uint8_t v = resolve_byte(effect_preset_generators, i - 1, kGeneratorPartBytes, b.generators[i]);
        if (v == kByteNotSet) continue;
        if (!live) {
            programmer::set_generator_param(static_cast<int16_t>(i), v);
        } else if (!left_alone(runtime::generator_flags[i])) {
            runtime::layer_generators[0][i] = v;
            playback::mark_sub_attribute_dirty(static_cast<int>(i));
        }
    }
    for (size_t i = 1; b.figures != nullptr && i <= fixtures * runtime::kFigureBytesPerFixture; ++i) {
        const uint8_t v = resolve_byte(effect_preset_figures, i - 1, kFigurePartBytes, b.figures[i]);
        if (v == kByteNotSet) continue;
        if (!live) {
            programmer::set_figure_param(static_cast<int16_t>(i), v);
        } else if (!left_alone(runtime::figure_flags[i])) {
            runtime::layer_figures[0][i] = v;
            playback::mark_extra_dirty(static_cast<int>(i));
        }
    }
}

}  // namespace memories
