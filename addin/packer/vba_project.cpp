// Writes the records of a VBA project storage, each as MS-OVBA section 2.3
// describes it.
#include "vba_project.h"

#include <stdexcept>

#include "ovba_encryption.h"

namespace {

void put16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(Bytes& out, std::uint32_t value) {
    put16(out, static_cast<std::uint16_t>(value));
    put16(out, static_cast<std::uint16_t>(value >> 16));
}

void putBytes(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

// UTF-16LE of an ASCII text (names are checked to be ASCII).
std::string utf16(const std::string& ascii) {
    std::string wide;
    for (const char c : ascii) {
        wide.push_back(c);
        wide.push_back('\0');
    }
    return wide;
}

// A record of Id, a 32-bit Size and Size bytes.
void putRecord(Bytes& out, std::uint16_t id, const std::string& data) {
    put16(out, id);
    put32(out, static_cast<std::uint32_t>(data.size()));
    putBytes(out, data);
}

void putRecord32(Bytes& out, std::uint16_t id, std::uint32_t value) {
    put16(out, id);
    put32(out, 4);
    put32(out, value);
}

// The references every project carries: OLE Automation (stdole), which
// Office adds to every new project.
const std::string stdoleName = "stdole";
const std::string stdoleLibid =
    "*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#C:\\Windows\\System32\\stdole2.tlb#OLE Automation";

void putInformation(Bytes& out, const VbaProject& project) {
    putRecord32(out, 0x0001, 0x00000001);  // PROJECTSYSKIND: 32-bit Windows
    putRecord32(out, 0x0002, 0x00000409);  // PROJECTLCID
    putRecord32(out, 0x0014, 0x00000409);  // PROJECTLCIDINVOKE
    put16(out, 0x0003);                    // PROJECTCODEPAGE
    put32(out, 2);
    put16(out, projectCodePage);
    putRecord(out, 0x0004, project.name);  // PROJECTNAME
    putRecord(out, 0x0005, "");            // PROJECTDOCSTRING: none ...
    putRecord(out, 0x0040, "");            // ... and its Unicode form
    putRecord(out, 0x0006, "");            // PROJECTHELPFILEPATH: none ...
    putRecord(out, 0x003D, "");            // ... and its second copy
    putRecord32(out, 0x0007, 0);           // PROJECTHELPCONTEXT
    putRecord32(out, 0x0008, 0);           // PROJECTLIBFLAGS
    put16(out, 0x0009);                    // PROJECTVERSION: Reserved 4, major 1, minor 0
    put32(out, 4);
    put32(out, 1);
    put16(out, 0);
    putRecord(out, 0x000C, "");            // PROJECTCONSTANTS: none ...
    putRecord(out, 0x003C, "");            // ... and their Unicode form
}

void putReferences(Bytes& out) {
    putRecord(out, 0x0016, stdoleName);          // REFERENCENAME
    putRecord(out, 0x003E, utf16(stdoleName));   // its Unicode form
    // REFERENCEREGISTERED: Size covers SizeOfLibid, Libid and two reserved
    // fields of 4 and 2 bytes (both 0).
    put16(out, 0x000D);
    put32(out, static_cast<std::uint32_t>(4 + stdoleLibid.size() + 4 + 2));
    put32(out, static_cast<std::uint32_t>(stdoleLibid.size()));
    putBytes(out, stdoleLibid);
    put32(out, 0);
    put16(out, 0);
}

void putModule(Bytes& out, const VbaModule& module) {
    putRecord(out, 0x0019, module.name);         // MODULENAME
    putRecord(out, 0x0047, utf16(module.name));  // MODULENAMEUNICODE
    putRecord(out, 0x001A, module.name);         // MODULESTREAMNAME ...
    putRecord(out, 0x0032, utf16(module.name));  // ... and its Unicode form
    putRecord(out, 0x001C, "");                  // MODULEDOCSTRING: none ...
    putRecord(out, 0x0048, "");                  // ... and its Unicode form
    putRecord32(out, 0x0031, 0);                 // MODULEOFFSET: the source starts the stream
    putRecord32(out, 0x001E, 0);                 // MODULEHELPCONTEXT
    put16(out, 0x002C);                          // MODULECOOKIE: 0xFFFF
    put32(out, 2);
    put16(out, 0xFFFF);
    put16(out, 0x0021);                          // MODULETYPE: procedural (standard) module
    put32(out, 0);
    put16(out, 0x002B);                          // Terminator of the MODULE record
    put32(out, 0);
}

void putModules(Bytes& out, const VbaProject& project) {
    put16(out, 0x000F);  // PROJECTMODULES: Count
    put32(out, 2);
    put16(out, static_cast<std::uint16_t>(project.modules.size()));
    put16(out, 0x0013);  // PROJECTCOOKIE: 0xFFFF
    put32(out, 2);
    put16(out, 0xFFFF);
    for (const VbaModule& module : project.modules) putModule(out, module);
}

Bytes compressed(const Bytes& data, const std::string& what) {
    std::optional<Bytes> container = compressContainer(data);
    if (!container) throw std::runtime_error(what + ": 4096 bytes without a repeated 3-byte sequence cannot be compressed");
    return *container;
}

}  // namespace

Bytes dirStream(const VbaProject& project) {
    Bytes out;
    putInformation(out, project);
    putReferences(out);
    putModules(out, project);
    put16(out, 0x0010);  // Terminator of the dir stream
    put32(out, 0);
    return out;
}

std::string projectStream(const VbaProject& project) {
    // Protection state 0 (unprotected), no password (one 0x00 byte) and a
    // visible project (0xFF), obfuscated with fixed seeds.
    const std::string crlf = "\r\n";
    std::string text = "ID=\"" + project.projectId + "\"" + crlf;
    for (const VbaModule& module : project.modules) text += "Module=" + module.name + crlf;
    text += "Name=\"" + project.name + "\"" + crlf;
    text += "HelpContextID=\"0\"" + crlf;
    text += "VersionCompatible32=\"393222000\"" + crlf;
    text += "CMG=\"" + encryptData(project.projectId, {0, 0, 0, 0}, {0x07, {0x11, 0x22, 0x33}}) + "\"" + crlf;
    text += "DPB=\"" + encryptData(project.projectId, {0x00}, {0x0E, {0x44, 0x55, 0x66}}) + "\"" + crlf;
    text += "GC=\"" + encryptData(project.projectId, {0xFF}, {0x15, {0x77, 0x08}}) + "\"" + crlf;
    text += crlf;
    text += "[Host Extender Info]" + crlf;
    text += "&H00000001={3832D640-CF90-11CF-8E43-00A0C911005A};VBE;&H00000000" + crlf;
    text += crlf;
    text += "[Workspace]" + crlf;
    for (const VbaModule& module : project.modules) text += module.name + "=0, 0, 0, 0, C" + crlf;
    return text;
}

Bytes projectNameMap(const VbaProject& project) {
    Bytes out;
    for (const VbaModule& module : project.modules) {
        // NAMEMAP: the module's name in MBCS, then in UTF-16, each ended by zero.
        putBytes(out, module.name);
        out.push_back(0);
        putBytes(out, utf16(module.name));
        put16(out, 0);
    }
    put16(out, 0);  // Terminator
    return out;
}

Bytes vbaProjectStream() {
    Bytes out;
    put16(out, 0x61CC);  // Reserved1
    put16(out, 0xFFFF);  // Version: no version-dependent cache to trust
    out.push_back(0x00); // Reserved2
    put16(out, 0x0001);  // Reserved3 (undefined; as in MS-OVBA's example)
    return out;
}

StreamMap projectStreams(const VbaProject& project) {
    StreamMap streams;
    const std::string text = projectStream(project);
    streams["PROJECT"] = Bytes(text.begin(), text.end());
    streams["PROJECTwm"] = projectNameMap(project);
    streams["VBA/_VBA_PROJECT"] = vbaProjectStream();
    streams["VBA/dir"] = compressed(dirStream(project), "dir stream");
    for (const VbaModule& module : project.modules) {
        streams["VBA/" + module.name] =
            compressed(Bytes(module.source.begin(), module.source.end()), "module " + module.name);
    }
    return streams;
}
