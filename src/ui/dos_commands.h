// DOS command lines, carried out inside the program.
//
// The show-file code and the fixture setup manage their files with command
// lines built from a format ("del %s\data\*.old", "ren %s\data\mem.da *.dat",
// "md %s\data\backup", "xcopy %s\data\*.dat %s\data\backup",
// "copy %s\data\%s %s\data\backup /v", "xcopy %s\lib\info1.txt prn /v").
// Every verb is done natively on the DOS files of the platform with the DOS
// wildcard rules; no shell is ever started.
//
//   DEL, ERASE  pattern              delete every normal file that matches
//   MD, RD      directory            make / remove (an empty) directory
//   REN         pattern name         rename each match in its directory; the
//                                    new name may hold wildcards ("*.old")
//   COPY, XCOPY pattern destination  copy each match into a directory, to a
//               [/V]                 name (wildcards allowed) or to the
//                                    printer ("prn"); a file that is replaced
//                                    stays until its copy is complete
//
// The verb is taken without regard to case. A line with an unknown verb,
// unknown switches, missing or surplus words is refused and changes nothing.
// Nothing is reported: a pattern that matches nothing, a name already taken
// or a failed operation simply leave the files as they are, and callers check
// the files themselves where they need to.
#pragma once

namespace ui {

void run_dos_command(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace ui
