#pragma once
// The two containers of the workbook, written with libgsf: the compound
// file (MS-CFB) of vbaProject.bin and the zip of the OOXML package.
#include <string>
#include <vector>

#include "vba_project.h"

// The compound file holding the streams ("VBA/dir" lies in storage "VBA").
// Throws std::runtime_error when libgsf fails.
Bytes compoundFile(const StreamMap& streams);

struct PackagePart {
    std::string path;  // "xl/workbook.xml"
    Bytes data;
};

// Writes the parts, in the given order and deflated, into a zip at path.
// Every entry carries the same fixed modification time, so the same parts
// give the same bytes. Throws std::runtime_error when libgsf fails.
void writeZip(const std::vector<PackagePart>& parts, const std::string& path);
