// Tests of the RAM (L), the hard disk (M) and the floppy drive (N). Each
// returns true when passed.
#pragma once

namespace hwtest {

bool test_ram();
bool test_harddisk();
bool test_diskdrive();

}  // namespace hwtest
