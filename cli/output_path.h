#pragma once
// The output file is checked before the search starts, so a long search is
// not lost to a folder that does not exist, and the input is never
// overwritten by its own results.
#include <string>

// Empty when outputPath can be written (or is empty: standard output);
// otherwise the reason, for a message that names the file. inputPath "-"
// is standard input.
std::string outputPathProblem(const std::string& outputPath, const std::string& inputPath);
