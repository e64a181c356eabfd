// The hidden partial files of downloads (".NAME.part-XXXXXX" beside the
// target): the one being written is known process-wide, so that a signal that
// ends the process can remove it, and the ones an ended run left behind are
// swept away by the next download of that name.
#pragma once
#include <filesystem>
#include <string>

// Removes the partial files of `target` that no running download holds.
void SweepStalePartFiles(const std::filesystem::path& target);
// `fd` at `path` is now being written: it is locked (a sweep leaves it alone)
// and remembered until ForgetPartFile.
void NotePartFile(int fd, const std::string& path);
void ForgetPartFile();
// Removes the partial file being written, if any. Async-signal-safe: for the
// handler of a signal that ends the process.
void RemovePartFileInProgress();
