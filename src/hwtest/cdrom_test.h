// The CD-ROM drive: found at start-up, tested by menu item K.
#pragma once
#include <cstdint>

namespace hwtest {

constexpr int16_t kNoCdromDrive = 255;

struct CdState {
    int16_t drive = kNoCdromDrive;  // the driver's drive number (0 = A:); kNoCdromDrive: none
};

extern CdState cd_state;
extern uint16_t cd_buffer_selector;  // the DOS buffer of the driver requests; 0 = none

void init_cdrom_for_test();
void free_dos_buffer(uint16_t selector);
bool test_cdrom();

}  // namespace hwtest
