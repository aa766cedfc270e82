// Real-mode memory and the DPMI descriptors that reach it.
//
// The program reaches the interface-card windows, the SMPTE/MIDI window and
// the DOS memory blocks it allocates through selectors, as under a DPMI host:
// DPMI function 0002h turns a real-mode segment into a selector, and every
// access goes through (selector, offset). A selector of 0, an unknown
// selector or an offset beyond the memory behind it reads 0 and drops writes.
#pragma once
#include <array>
#include <cstdint>
#include <span>

namespace platform {

constexpr uint32_t kConventionalBytes = 640 * 1024;
constexpr uint32_t kSegmentLimit = 0x10000;  // a real-mode segment spans 64 KB
constexpr uint16_t kFirstDosBlockSegment = 0x2000;
constexpr int kMaxDescriptors = 64;

struct Descriptor {
    bool in_use = false;
    uint16_t segment = 0;       // real-mode segment the selector maps
    bool dos_block = false;     // allocated with DPMI 0100h
    uint16_t paragraphs = 0;    // size of a DOS block
};

struct DescriptorTable {
    std::array<Descriptor, kMaxDescriptors> entries{};  // index 0 unused: selector 0 means none
    uint16_t next_dos_segment = kFirstDosBlockSegment;
};

// Selector values look like those of a DPMI host: (index << 3) | 7.
constexpr uint16_t selector_for_index(int index) { return static_cast<uint16_t>((index << 3) | 7); }

// The bytes behind a real-mode segment (up to 64 KB): a card window, the
// SMPTE/MIDI window, conventional memory, or nothing (empty span).
std::span<uint8_t> real_mode_segment(uint16_t segment);
std::span<uint8_t> selector_bytes(uint16_t selector);

// DPMI 0002h: segment to descriptor. Sets carry and returns 0 when the table is full.
uint16_t dpmi_segment_to_selector(uint16_t segment, bool& carry);
// DPMI 0100h / 0101h: DOS memory blocks in conventional memory.
bool dpmi_allocate_dos_memory(uint16_t paragraphs, uint16_t& segment, uint16_t& selector);
bool dpmi_free_dos_memory(uint16_t selector);

uint8_t far_peek_byte(uint16_t selector, uint32_t offset);
uint16_t far_peek_word(uint16_t selector, uint32_t offset);
uint32_t far_peek_dword(uint16_t selector, uint32_t offset);
void far_poke_byte(uint16_t selector, uint32_t offset, uint8_t value);
void far_poke_word(uint16_t selector, uint32_t offset, uint16_t value);
void far_poke_dword(uint16_t selector, uint32_t offset, uint32_t value);

}  // namespace platform
