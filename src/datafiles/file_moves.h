// The file moves of the show save and load: copies, deletions and the swap
// of loaded files into the data folder, each done with the DOS file calls of
// the platform (never through a command line) and each reporting whether it
// worked, so that a failed step stops the operation instead of going by
// unnoticed.
//
// A copy goes to a scratch name beside its destination, is read back and
// compared with its source, and only then takes the destination's name in
// one step: a failed copy leaves the destination as it was.
//
// A loaded show first arrives under staging names, each file's own name with
// its last character cut ("MEM.DAT" as "MEM.DA", "SHOW1.LST" as "SHOW1.LS"),
// and takes the place of the current file only once every file of the show
// arrived whole.
#pragma once
#include <string>
#include <vector>

namespace datafiles {

// The names (as found) of the normal files that a DOS pattern matches
// ("C:\BX\DATA\MEM-*.DAT"), in the order of the directory search; names are
// matched without regard to case.
std::vector<std::string> matching_files(const std::string& pattern);

// Directory part of a DOS path, with its trailing backslash ("C:\BX\DATA\").
std::string directory_of(const std::string& path);

// True when the path names an existing directory.
bool is_directory(const std::string& path);

// True when both files hold the same bytes.
bool files_equal(const std::string& a, const std::string& b);

// Copies one file, verified (above). False on any failure.
bool copy_file_verified(const std::string& source, const std::string& destination);

// Copies every file the pattern matches into the directory under its own
// name. True when every copy worked; a pattern that matches nothing is no
// failure.
bool copy_matching_files(const std::string& pattern, const std::string& directory);

// Deletes every normal file the pattern matches; true when none is left.
bool delete_matching_files(const std::string& pattern);

// The staging name of a file name: its last character cut.
std::string staged_name(const std::string& name);

// Staged copies of every file the pattern matches in source_directory, in
// the data folder; the final names are added to `staged` (duplicates once).
bool stage_matching_files(const std::string& pattern, const std::string& source_directory,
                          std::vector<std::string>& staged);

// Puts each staged file in the data folder over the file of its final name,
// one atomic rename each. False at the first that fails (those before it
// are in place).
bool swap_in_staged_files(const std::vector<std::string>& staged);

// Removes the staging files of these final names from the data folder.
void remove_staged_files(const std::vector<std::string>& staged);

}  // namespace datafiles
