// The log "MEMCHECK.LOG" in the current directory.
//
// Opened at the first line written while log writes are on, with a header
// and the settings dump; every later opening in the same process appends, so
// a second run never wipes the first. Lines are written as text with CR LF
// ends; with Commit the file is flushed after every line. When the file
// cannot be opened the lines go to standard error.
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

// Every global of this module back to its value at program load (a clean start for each test).
void reset_log_globals();

}  // namespace memcheck
