// The simulated PC that the console runs on.
//
// One Machine owns every stand-in: the clock, the interface cards and the
// SMPTE/MIDI card, the PC devices, the text screen and the frame buffer.
// Console code never holds a Machine: it uses the stand-in calls, which reach
// the machine installed with install_machine(). Tests build a Machine, set it
// up (which segments hold a card, which firmware ...), install it and drive it;
// a real run fits its machine from the description (machine_description.h).
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/bios.h"
#include "platform/card_bus.h"
#include "platform/cd_drive.h"
#include "platform/cdrom.h"
#include "platform/clock.h"
#include "platform/dos_files.h"
#include "platform/graphics.h"
#include "platform/interrupts.h"
#include "platform/keyboard_controller.h"
#include "platform/mouse.h"
#include "platform/selectors.h"
#include "platform/speaker.h"
#include "platform/sync_card.h"
#include "platform/text_screen.h"

namespace platform {

// How the console's waiting reaches whoever runs it: the host in a real run,
// the test rig in a test. Plain function pointers with a context, so a call on
// the hot path neither allocates nor throws by itself.
struct RunHooks {
    void* context = nullptr;
    void (*poll)(void* context) = nullptr;                    // one pass of the console's input step
    void (*delay)(void* context, uint32_t delay_ms) = nullptr;  // a plain delay
    void (*exit)(void* context, int code) = nullptr;          // program end; must not return
};

struct Machine {
    Clock clock;
    std::vector<uint8_t> conventional_memory = std::vector<uint8_t>(kConventionalBytes);
    DescriptorTable descriptors;
    CardBus cards;
    SyncCard sync;
    InterruptTable interrupts;
    KeyboardController keyboard;
    Mouse mouse;
    CdromDriver cdrom;
    CdDrive cd_drive;  // behind the CD-ROM driver when the machine has a drive
    Bios bios;
    Speaker speaker;
    TextScreen text;
    DosFiles dos;
    Graphics graphics;
    RunHooks hooks;

    // Moves the clock on and lets every device that counts time follow it.
    void advance_ms(uint32_t ms);
};

// The machine the stand-in calls reach. Installing nullptr uninstalls.
void install_machine(Machine* machine);
Machine& machine();
bool machine_installed();

// Stand-in calls for the running program.
void idle_poll();                     // the console's input step: host pump or rig hand-over
void delay_ms(uint32_t delay_ms);     // a plain delay that polls nothing
[[noreturn]] void exit_program(int code);  // the one way the program ends

}  // namespace platform
