#pragma once
// The streams of a VBA project storage (vbaProject.bin) as MS-OVBA lets a
// writer produce it: no performance cache anywhere, so Office compiles the
// project from its source when it first opens it.
#include <map>
#include <string>
#include <vector>

#include "ovba_compression.h"

// One standard module: its name (a VBA identifier in ASCII, also the name
// of its stream) and its source in code page 932 with CR LF line ends,
// starting with its Attribute VB_Name line.
struct VbaModule {
    std::string name;
    std::string source;
};

struct VbaProject {
    std::string name;       // the project's name, ASCII
    std::string projectId;  // "{GUID}"
    std::vector<VbaModule> modules;
};

// Path of a stream in the compound file ("VBA/dir") -> its bytes.
using StreamMap = std::map<std::string, Bytes>;

// The code page the project's text is written in (PROJECTCODEPAGE).
inline constexpr std::uint16_t projectCodePage = 932;

// The decompressed dir stream (MS-OVBA 2.3.4.2).
Bytes dirStream(const VbaProject& project);
// The PROJECT stream's text (MS-OVBA 2.3.1).
std::string projectStream(const VbaProject& project);
// The PROJECTwm stream (MS-OVBA 2.3.3).
Bytes projectNameMap(const VbaProject& project);
// The _VBA_PROJECT stream (MS-OVBA 2.3.4.1): version 0xFFFF, no cache.
Bytes vbaProjectStream();

// Every stream of the storage, dir and module streams compressed. Throws
// std::runtime_error naming the module whose source cannot be compressed.
StreamMap projectStreams(const VbaProject& project);
