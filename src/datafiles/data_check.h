// The start-up check of the data folder (check_data_files, declared in
// data_files.h). Before graphics start it makes sure the record files exist,
// asks the operator on the text screen before it creates an empty one (N ends
// the program with exit code 1), and retires the per-page files of earlier
// versions to the extension .old once their successors exist.
#pragma once

namespace datafiles {

// Older file groups: 0 = no member exists, 1 = every member exists, 2 = some.
constexpr int kGroupNone = 0;
constexpr int kGroupAll = 1;
constexpr int kGroupSome = 2;

// memthrsh.dat with all 70 thresholds empty (7070 bytes, no version text);
// the in-memory threshold_index is emptied as well. Nothing is written when
// the file cannot be created.
void init_threshold_file();

}  // namespace datafiles
