// The log "MEMCHECK.LOG" in the current directory.
//
// Opened at the first line written while log writes are on, with a header
// and the settings dump; every later opening in the same process appends, so
// a second run never wipes the first. Lines are written as text with CR LF
// ends; with Commit the file is written after every line, with Cache when
// the checker's buffer is full and at flush or close. When the file cannot
// be opened the lines go to standard error. Lines are formatted by
// mc_vformat and written with write(2), so the exception report may write
// them from its signal handler.
#pragma once
#include <cstddef>

namespace memcheck {

constexpr const char* kLogFileName = "MEMCHECK.LOG";
constexpr size_t kLogLineChars = 259;

// One formatted text of at most 259 characters, written as it stands; true
// when no log file is open (the text went to standard error or nowhere).
bool mc_log_line(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Opens the log (when log writes are on) and writes the header.
bool mc_log_open();
void mc_log_settings();
void mc_log_summary();
void mc_log_flush();
void mc_log_close();
// Set by the exception report while its signal handler runs: the log is not
// opened then (opening writes the header, which needs the C library's time
// text), and a line is written even when the fault struck inside a log write.
void mc_log_take_over(bool on);

// Every global of this module back to its value at program load (a clean start for each test).
void reset_log_globals();

}  // namespace memcheck
