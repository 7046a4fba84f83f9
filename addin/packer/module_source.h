#pragma once
// A standard module's source as the repository keeps it (UTF-8, the form
// the VBA editor exports: an Attribute VB_Name line first) turned into the
// text a module stream holds (code page 932, CR LF line ends).
#include <string>

#include "vba_project.h"

// Converts UTF-8 text to code page 932, line by line. Throws
// std::runtime_error "<file>:<line>: ..." for a line code page 932 cannot
// hold or that is not UTF-8.
std::string toCodePage932(const std::string& utf8, const std::string& fileName);

// Line ends made CR LF (from LF or CR LF), a UTF-8 byte order mark dropped,
// and a final line end added when missing.
std::string normalizeLineEnds(const std::string& text);

// The module of a source text: its name from the first line, which must be
// Attribute VB_Name = "Name" with Name a VBA identifier in ASCII (letters,
// digits, underscores; a letter first; at most 31 characters). Throws
// std::runtime_error naming the file otherwise.
VbaModule readModule(const std::string& utf8Source, const std::string& fileName);
