#pragma once
// Excel's server command line, as registered under LocalServer32: the path
// of Excel's program file, possibly enclosed in quotation marks, followed by
// options that begin with " /" (for example "/automation").
#include <string>

// The program path of a server command line. A path enclosed in quotation
// marks is what stands between them. Otherwise the line is cut at the first
// " /" (the whole line when there is none); an opening quotation mark that is
// never closed is dropped.
std::wstring programPathOf(const std::wstring& commandLine);
