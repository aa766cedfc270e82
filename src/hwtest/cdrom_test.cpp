#include "hwtest/cdrom_test.h"

#include "hwtest/test_menu.h"

namespace hwtest {

CdState cd_state;
uint16_t cd_buffer_selector = 0;

// Not built yet: no buffer is taken and no drive is looked for, so the
// drive counts as missing.
void init_cdrom_for_test() {
    cd_state = CdState{};
    cd_buffer_selector = 0;
}

void free_dos_buffer(uint16_t selector) { (void)selector; }

// Not built yet: the test only clears its pass flag and reports failure.
bool test_cdrom() {
    begin_test(kTestCdrom);
    return false;
}

}  // namespace hwtest
