#include "platform/interrupts.h"

#include <algorithm>

#include "platform/bios.h"
#include "platform/cdrom.h"
#include "platform/keyboard_controller.h"
#include "platform/machine.h"
#include "platform/mouse.h"
#include "platform/sync_card.h"

namespace platform {

namespace {

constexpr uint16_t kDpmiUnsupportedFunction = 0x8001;
constexpr uint16_t kDpmiDescriptorUnavailable = 0x8011;
constexpr uint16_t kDpmiInvalidValue = 0x8021;
constexpr uint16_t kDosInsufficientMemory = 0x0008;
constexpr uint16_t kDosInvalidBlock = 0x0009;
constexpr uint16_t kDosInvalidFunction = 0x0001;
constexpr size_t kRealModeCallBytes = 50;

InterruptTable& table() { return machine().interrupts; }

uint32_t slot_offset(int slot) {
    return kFirstHandlerOffset + static_cast<uint32_t>(slot) * kHandlerOffsetStep;
}

// The handler slot that (kProgramCodeSelector, offset) names, or -1.
int slot_of_offset(uint32_t offset) {
    if (offset < kFirstHandlerOffset) return -1;
    const uint32_t distance = offset - kFirstHandlerOffset;
    if (distance % kHandlerOffsetStep != 0) return -1;
    const uint32_t slot = distance / kHandlerOffsetStep;
    return slot < kMaxInterruptHandlers ? static_cast<int>(slot) : -1;
}

// --- little-endian access to memory the program hands over by selector ---

uint32_t read_u32(std::span<const uint8_t> bytes, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
    return value;
}

uint16_t read_u16(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

void write_u32(std::span<uint8_t> bytes, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void write_u16(std::span<uint8_t> bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

// The bytes at selector:offset, or an empty span when fewer than length remain.
std::span<uint8_t> protected_bytes(uint16_t selector, uint32_t offset, size_t length) {
    const std::span<uint8_t> bytes = selector_bytes(selector);
    if (offset > bytes.size() || bytes.size() - offset < length) return {};
    return bytes.subspan(offset, length);
}

// The 50-byte real-mode call structure, field by field in its DPMI order.
RealModeCall decode_real_mode_call(std::span<const uint8_t> b) {
    RealModeCall c;
    c.edi = read_u32(b, 0);
    c.esi = read_u32(b, 4);
    c.ebp = read_u32(b, 8);
    c.reserved = read_u32(b, 12);
    c.ebx = read_u32(b, 16);
    c.edx = read_u32(b, 20);
    c.ecx = read_u32(b, 24);
    c.eax = read_u32(b, 28);
    c.flags = read_u16(b, 32);
    c.es = read_u16(b, 34);
    c.ds = read_u16(b, 36);
    c.fs = read_u16(b, 38);
    c.gs = read_u16(b, 40);
    c.ip = read_u16(b, 42);
    c.cs = read_u16(b, 44);
    c.sp = read_u16(b, 46);
    c.ss = read_u16(b, 48);
    return c;
}

void encode_real_mode_call(const RealModeCall& c, std::span<uint8_t> b) {
    write_u32(b, 0, c.edi);
    write_u32(b, 4, c.esi);
    write_u32(b, 8, c.ebp);
    write_u32(b, 12, c.reserved);
    write_u32(b, 16, c.ebx);
    write_u32(b, 20, c.edx);
    write_u32(b, 24, c.ecx);
    write_u32(b, 28, c.eax);
    write_u16(b, 32, c.flags);
    write_u16(b, 34, c.es);
    write_u16(b, 36, c.ds);
    write_u16(b, 38, c.fs);
    write_u16(b, 40, c.gs);
    write_u16(b, 42, c.ip);
    write_u16(b, 44, c.cs);
    write_u16(b, 46, c.sp);
    write_u16(b, 48, c.ss);
}

void fill_memory_info(std::span<uint8_t> block) {
    std::fill(block.begin(), block.end(), uint8_t{0});
    const InterruptTable& t = table();
    if (block.size() >= 8) write_u32(block, 4, t.dpmi_allocated_bytes);
    if (block.size() >= 12) write_u32(block, 8, t.dpmi_available_bytes);
}

// --- DOS int 21h: interrupt vectors ---

void dos_interrupt(Regs& regs) {
    auto& vectors = table().vectors;
    switch (regs.ah()) {
        case 0x25:
            vectors[regs.al()] = IntVector{regs.ds, regs.edx};
            break;
        case 0x35:
            regs.es = vectors[regs.al()].selector;
            regs.ebx = vectors[regs.al()].offset;
            break;
        default:
            regs.set_ax(kDosInvalidFunction);
            regs.carry = true;
            break;
    }
}

// --- DPMI int 31h ---

uint16_t free_dos_paragraphs() {
    const uint32_t total = kConventionalBytes / 16;
    const uint32_t next = machine().descriptors.next_dos_segment;
    return static_cast<uint16_t>(std::min<uint32_t>(next < total ? total - next : 0, 0xFFFF));
}

void dpmi_simulate_real_mode_int(Regs& regs) {
    const std::span<uint8_t> bytes = protected_bytes(regs.es, regs.edi, kRealModeCallBytes);
    if (bytes.empty()) {
        regs.set_ax(kDpmiInvalidValue);
        regs.carry = true;
        return;
    }
    RealModeCall call = decode_real_mode_call(bytes);
    simulate_real_mode_int(static_cast<uint8_t>(regs.ebx), call);
    encode_real_mode_call(call, bytes);
}

void dpmi_memory_info(Regs& regs) {
    const std::span<uint8_t> bytes = protected_bytes(regs.es, regs.edi, kDpmiMemoryInfoBytes);
    if (bytes.empty()) {
        regs.set_ax(kDpmiInvalidValue);
        regs.carry = true;
        return;
    }
    fill_memory_info(bytes);
}

void dpmi_interrupt(Regs& regs) {
    switch (regs.ax()) {
        case 0x0002: {
            bool carry = false;
            const uint16_t selector = dpmi_segment_to_selector(regs.bx(), carry);
            regs.set_ax(carry ? kDpmiDescriptorUnavailable : selector);
            regs.carry = carry;
            break;
        }
        case 0x0100: {
            uint16_t segment = 0;
            uint16_t selector = 0;
            if (dpmi_allocate_dos_memory(regs.bx(), segment, selector)) {
                regs.set_ax(segment);
                regs.set_dx(selector);
            } else {
                regs.set_ax(kDosInsufficientMemory);
                regs.set_bx(free_dos_paragraphs());
                regs.carry = true;
            }
            break;
        }
        case 0x0101:
            if (!dpmi_free_dos_memory(regs.dx())) {
                regs.set_ax(kDosInvalidBlock);
                regs.carry = true;
            }
            break;
        case 0x0300:
            dpmi_simulate_real_mode_int(regs);
            break;
        case 0x050B:
            dpmi_memory_info(regs);
            break;
        default:
            regs.set_ax(kDpmiUnsupportedFunction);
            regs.carry = true;
            break;
    }
}

Regs regs_of(const RealModeCall& call) {
    Regs regs;
    regs.eax = call.eax;
    regs.ebx = call.ebx;
    regs.ecx = call.ecx;
    regs.edx = call.edx;
    regs.esi = call.esi;
    regs.edi = call.edi;
    regs.ebp = call.ebp;
    regs.es = call.es;
    regs.ds = call.ds;
    return regs;
}

void store_regs(const Regs& regs, RealModeCall& call) {
    call.eax = regs.eax;
    call.ebx = regs.ebx;
    call.ecx = regs.ecx;
    call.edx = regs.edx;
    call.esi = regs.esi;
    call.edi = regs.edi;
    call.ebp = regs.ebp;
    call.es = regs.es;
    call.ds = regs.ds;
    call.flags = static_cast<uint16_t>(regs.carry ? (call.flags | kCarryFlag)
                                                  : (call.flags & ~kCarryFlag));
}

}  // namespace

IntVector handler_vector(InterruptHandler handler) {
    if (handler == nullptr) return IntVector{};
    auto& handlers = table().handlers;
    for (int slot = 0; slot < kMaxInterruptHandlers; ++slot) {
        if (handlers[slot] == handler) return IntVector{kProgramCodeSelector, slot_offset(slot)};
    }
    for (int slot = 0; slot < kMaxInterruptHandlers; ++slot) {
        if (handlers[slot] == nullptr) {
            handlers[slot] = handler;
            return IntVector{kProgramCodeSelector, slot_offset(slot)};
        }
    }
    return IntVector{};
}

void call_int_handler(uint16_t selector, uint32_t offset) {
    if (selector == kBiosCodeSelector && offset == kBiosKeyboardOffset) {
        bios_keyboard_interrupt();
        return;
    }
    if (selector != kProgramCodeSelector) return;
    const int slot = slot_of_offset(offset);
    if (slot < 0) return;
    const InterruptHandler handler = table().handlers[slot];
    if (handler != nullptr) handler();
}

void raise_interrupt(uint8_t interrupt) {
    const IntVector v = table().vectors[interrupt];
    call_int_handler(v.selector, v.offset);
}

void int386(uint8_t interrupt, Regs& regs) {
    regs.carry = false;
    switch (interrupt) {
        case 0x31:
            dpmi_interrupt(regs);
            break;
        case 0x33:
            mouse_interrupt(regs);
            break;
        case 0x68:
            sync_driver_interrupt(regs);
            break;
        case 0x1A:
            bios_time_interrupt(regs);
            break;
        case 0x21:
            dos_interrupt(regs);
            break;
        case 0x2F:
            // In protected mode ES holds a selector.
            cdrom_interrupt(regs, selector_bytes(regs.es));
            break;
        default:
            regs.carry = true;
            break;
    }
}

void simulate_real_mode_int(uint8_t interrupt, RealModeCall& call) {
    Regs regs = regs_of(call);
    switch (interrupt) {
        case 0x2F:
            // In real mode ES holds a segment.
            cdrom_interrupt(regs, real_mode_segment(regs.es));
            break;
        case 0x33:
            mouse_interrupt(regs);
            break;
        case 0x1A:
            bios_time_interrupt(regs);
            break;
        case 0x68:
            sync_driver_interrupt(regs);
            break;
        default:
            regs.carry = true;
            break;
    }
    store_regs(regs, call);
}

void set_int_vector(uint8_t interrupt, uint16_t selector, uint32_t offset) {
    Regs regs;
    regs.set_ax(static_cast<uint16_t>(0x2500 | interrupt));
    regs.ds = selector;
    regs.edx = offset;
    int386(0x21, regs);
}

void get_int_vector(uint8_t interrupt, uint16_t& selector, uint32_t& offset) {
    Regs regs;
    regs.set_ax(static_cast<uint16_t>(0x3500 | interrupt));
    int386(0x21, regs);
    selector = regs.es;
    offset = regs.ebx;
}

void call_real_mode_int(uint8_t interrupt, RealModeCall* call) {
    // DPMI 0300h with BH = 0 and CX = 0: no stack words to copy.
    if (call == nullptr) return;
    simulate_real_mode_int(interrupt, *call);
}

void get_dpmi_memory_info(std::span<uint8_t> block) { fill_memory_info(block); }

}  // namespace platform
