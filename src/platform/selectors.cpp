#include "platform/selectors.h"

#include "platform/machine.h"

namespace platform {

namespace {

Descriptor* descriptor_of(uint16_t selector) {
    if (selector == 0 || (selector & 7) != 7) return nullptr;
    const int index = selector >> 3;
    if (index <= 0 || index >= kMaxDescriptors) return nullptr;
    Descriptor& d = machine().descriptors.entries[index];
    return d.in_use ? &d : nullptr;
}

// A word or double word is reached whole or not at all: nothing is half
// written at the end of a segment, and an offset near 2^32 cannot wrap to 0.
bool fits(uint16_t selector, uint32_t offset, uint32_t bytes) {
    const size_t size = selector_bytes(selector).size();
    return size >= bytes && offset <= size - bytes;
}

uint16_t new_descriptor(uint16_t segment, bool dos_block, uint16_t paragraphs) {
    auto& entries = machine().descriptors.entries;
    for (int i = 1; i < kMaxDescriptors; ++i) {
        if (!entries[i].in_use) {
            entries[i] = Descriptor{true, segment, dos_block, paragraphs};
            return selector_for_index(i);
        }
    }
    return 0;
}

}  // namespace

std::span<uint8_t> real_mode_segment(uint16_t segment) {
    Machine& m = machine();
    for (int slot = 0; slot < kCardSlots; ++slot) {
        if (segment == kCardSegments[slot]) return m.cards.window(slot);
    }
    if (m.sync.fitted && segment == m.sync.segment) return m.sync.window();
    const uint32_t start = static_cast<uint32_t>(segment) * 16;
    if (start < kConventionalBytes) {
        const uint32_t length = std::min<uint32_t>(kSegmentLimit, kConventionalBytes - start);
        return std::span<uint8_t>(m.conventional_memory.data() + start, length);
    }
    return {};
}

std::span<uint8_t> selector_bytes(uint16_t selector) {
    const Descriptor* d = descriptor_of(selector);
    if (d == nullptr) return {};
    std::span<uint8_t> bytes = real_mode_segment(d->segment);
    if (d->dos_block) {
        bytes = bytes.first(std::min<size_t>(bytes.size(), static_cast<size_t>(d->paragraphs) * 16));
    }
    return bytes;
}

uint16_t dpmi_segment_to_selector(uint16_t segment, bool& carry) {
    // Like a DPMI host, hand out the same selector for the same segment.
    auto& entries = machine().descriptors.entries;
    for (int i = 1; i < kMaxDescriptors; ++i) {
        if (entries[i].in_use && !entries[i].dos_block && entries[i].segment == segment) {
            carry = false;
            return selector_for_index(i);
        }
    }
    const uint16_t selector = new_descriptor(segment, false, 0);
    carry = selector == 0;
    return selector;
}

bool dpmi_allocate_dos_memory(uint16_t paragraphs, uint16_t& segment, uint16_t& selector) {
    DescriptorTable& table = machine().descriptors;
    const uint32_t end = (static_cast<uint32_t>(table.next_dos_segment) + paragraphs) * 16;
    if (paragraphs == 0 || end > kConventionalBytes) return false;
    selector = new_descriptor(table.next_dos_segment, true, paragraphs);
    if (selector == 0) return false;
    segment = table.next_dos_segment;
    table.next_dos_segment = static_cast<uint16_t>(table.next_dos_segment + paragraphs);
    return true;
}

bool dpmi_free_dos_memory(uint16_t selector) {
    Descriptor* d = descriptor_of(selector);
    if (d == nullptr || !d->dos_block) return false;
    *d = Descriptor{};
    return true;
}

uint8_t far_peek_byte(uint16_t selector, uint32_t offset) {
    const std::span<uint8_t> bytes = selector_bytes(selector);
    return offset < bytes.size() ? bytes[offset] : 0;
}

// Lets the card firmware, which runs beside the program, see the program
// look at a card cell.
void notify_card_read(uint16_t selector, uint32_t offset) {
    const Descriptor* d = descriptor_of(selector);
    if (d == nullptr || d->dos_block) return;
    for (int slot = 0; slot < kCardSlots; ++slot) {
        if (d->segment == kCardSegments[static_cast<size_t>(slot)]) machine().cards.program_read(slot, offset);
    }
}

uint16_t far_peek_word(uint16_t selector, uint32_t offset) {
    if (!fits(selector, offset, 2)) return 0;
    notify_card_read(selector, offset);
    return static_cast<uint16_t>(far_peek_byte(selector, offset) |
                                 (far_peek_byte(selector, offset + 1) << 8));
}

uint32_t far_peek_dword(uint16_t selector, uint32_t offset) {
    if (!fits(selector, offset, 4)) return 0;
    return far_peek_word(selector, offset) |
           (static_cast<uint32_t>(far_peek_word(selector, offset + 2)) << 16);
}

// Lets the card firmware see the program write a card cell.
void notify_card_write(uint16_t selector, uint32_t offset) {
    const Descriptor* d = descriptor_of(selector);
    if (d == nullptr || d->dos_block) return;
    for (int slot = 0; slot < kCardSlots; ++slot) {
        if (d->segment == kCardSegments[static_cast<size_t>(slot)]) machine().cards.program_write(slot, offset);
    }
}

void far_poke_byte(uint16_t selector, uint32_t offset, uint8_t value) {
    const std::span<uint8_t> bytes = selector_bytes(selector);
    if (offset >= bytes.size()) return;
    bytes[offset] = value;
    notify_card_write(selector, offset);
}

void far_poke_word(uint16_t selector, uint32_t offset, uint16_t value) {
    if (!fits(selector, offset, 2)) return;
    // Low byte first, as the card firmware sees a word written.
    far_poke_byte(selector, offset, static_cast<uint8_t>(value));
    far_poke_byte(selector, offset + 1, static_cast<uint8_t>(value >> 8));
}

void far_poke_dword(uint16_t selector, uint32_t offset, uint32_t value) {
    if (!fits(selector, offset, 4)) return;
    far_poke_word(selector, offset, static_cast<uint16_t>(value));
    far_poke_word(selector, offset + 2, static_cast<uint16_t>(value >> 16));
}

}  // namespace platform
