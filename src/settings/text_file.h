// Whole-file reads and crash-safe whole-file writes.
#pragma once

#include <string>
#include <vector>

namespace sentrova {

// Reads the whole file. False (and errorText set) when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* errorText = nullptr);

// Writes bytes to path through a temporary file in the same directory that is
// flushed to disk and then renamed over path, so that readers only ever see
// the old or the new content. The file keeps the mode of the file it
// replaces. False (and errorText set to a message naming the file) on any
// failure; the previous file is then left as it was.
bool WriteFileAtomic(const std::string& path, const std::string& bytes, std::string* errorText = nullptr);

// The file's lines, decoded from CP932 (see SplitLines for the line ends).
bool ReadCp932Lines(const std::string& path, std::vector<std::string>& lines, std::string* errorText = nullptr);

// Lines encoded to CP932, each ended by CR LF, written with WriteFileAtomic.
bool WriteCp932Lines(const std::string& path, const std::vector<std::string>& lines,
                     std::string* errorText = nullptr);

}  // namespace sentrova
