#include "memories/memory_output.h"

#include <algorithm>

#include "memories/memory_index.h"
#include "memories/memory_store.h"
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
        const uint16_t v = resolve_recalled_value(r, b.values[r]);
        if (v == kValueNotSet) continue;
        if (!live) {
            mark_live_edit(runtime::channel_flags[r], runtime::function_record_table[r].fixture);
            programmer::set_function_value(static_cast<int16_t>(r), v);
        } else if (!left_alone(runtime::channel_flags[r])) {
            runtime::layer_values[0][r] = v;
            playback::mark_channel_dirty(static_cast<int16_t>(r));
        }
    }
    for (size_t i = 1; b.generators != nullptr && i <= records * runtime::kGeneratorBytesPerRecord; ++i) {
        const uint8_t v = resolve_generator_reference(static_cast<int>(i), b.generators[i]);
        if (v == kByteNotSet) continue;
        if (!live) {
            mark_live_edit(runtime::generator_flags[i],
                           runtime::function_record_table[(i - 1) / runtime::kGeneratorBytesPerRecord + 1].fixture);
            programmer::set_generator_param(static_cast<int16_t>(i), v);
        } else if (!left_alone(runtime::generator_flags[i])) {
            runtime::layer_generators[0][i] = v;
            playback::mark_sub_attribute_dirty(static_cast<int>(i));
        }
    }
    for (size_t i = 1; b.figures != nullptr && i <= fixtures * runtime::kFigureBytesPerFixture; ++i) {
        const uint8_t v = resolve_figure_reference(static_cast<int>(i), b.figures[i]);
        if (v == kByteNotSet) continue;
        if (!live) {
            mark_live_edit(runtime::figure_flags[i], static_cast<int>((i - 1) / runtime::kFigureBytesPerFixture + 1));
            programmer::set_figure_param(static_cast<int16_t>(i), v);
        } else if (!left_alone(runtime::figure_flags[i])) {
            runtime::layer_figures[0][i] = v;
            playback::mark_extra_dirty(static_cast<int>(i));
        }
    }
}

}  // namespace memories
