"""Reads the built add-in workbook with readers the packer does not use:
Python's zipfile and XML parser for the package, python3-olefile for the
compound file, Python's cp932 codec for the text. The VBA streams are
decompressed by the small reader below (MS-OVBA 2.4.1.3) and the dir
stream's records walked one by one.

usage: package_reader_test.py WORKBOOK MODULE.bas..."""
import io
import os
import struct
import sys
import xml.etree.ElementTree as ElementTree
import zipfile

import olefile

RELATIONSHIPS = "{http://schemas.openxmlformats.org/package/2006/relationships}"
CONTENT_TYPES = "{http://schemas.openxmlformats.org/package/2006/content-types}"


def decompress(container):
    """MS-OVBA 2.4.1.3.1: a CompressedContainer's data."""
    assert container[0] == 1, "signature byte"
    out = bytearray()
    position = 1
    while position < len(container):
        header = struct.unpack_from("<H", container, position)[0]
        assert (header >> 12) & 7 == 3, "chunk signature"
        end = position + (header & 0x0FFF) + 3
        assert end <= len(container), "chunk inside the container"
        if not header & 0x8000:
            out += container[position + 2:end]
            position = end
            continue
        start = len(out)
        position += 2
        while position < end:
            flags = container[position]
            position += 1
            for bit in range(8):
                if position >= end:
                    break
                if not flags & (1 << bit):
                    out.append(container[position])
                    position += 1
                    continue
                token = struct.unpack_from("<H", container, position)[0]
                position += 2
                bit_count = max((len(out) - start - 1).bit_length(), 4)
                length = (token & (0xFFFF >> bit_count)) + 3
                offset = (token >> (16 - bit_count)) + 1
                assert offset <= len(out) - start, "copy inside the chunk"
                for _ in range(length):
                    out.append(out[-offset])
    return bytes(out)


def dir_records(data):
    """The dir stream as (id, payload) pairs. PROJECTVERSION's Reserved
    field reads as a size of 4 but 6 bytes follow it."""
    records = []
    position = 0
    while position < len(data):
        record_id, size = struct.unpack_from("<HI", data, position)
        position += 6
        if record_id == 0x0009:
            size = 6
        records.append((record_id, data[position:position + size]))
        position += size
    return records


def repository_stream_text(path):
    with open(path, encoding="utf-8") as f:
        text = f.read().replace("\r\n", "\n")
    return text.replace("\n", "\r\n").encode("cp932")


def main():
    workbook = sys.argv[1]
    sources = sys.argv[2:]
    results = []

    def check(name, ok, seen=""):
        results.append((name, ok))
        print(("PASS " if ok else "FAIL ") + name + ("" if ok else ": " + str(seen)))

    package = zipfile.ZipFile(workbook)
    check("zip entries all readable", package.testzip() is None)
    types = ElementTree.fromstring(package.read("[Content_Types].xml"))
    overrides = {o.get("PartName"): o.get("ContentType") for o in types.iter(CONTENT_TYPES + "Override")}
    defaults = {d.get("Extension"): d.get("ContentType") for d in types.iter(CONTENT_TYPES + "Default")}
    check("workbook is a macro-enabled add-in",
          overrides.get("/xl/workbook.xml") == "application/vnd.ms-excel.addin.macroEnabled.main+xml", overrides)
    check("vbaProject.bin content type", defaults.get("bin") == "application/vnd.ms-office.vbaProject", defaults)
    root_rels = {r.get("Type"): r.get("Target") for r in
                 ElementTree.fromstring(package.read("_rels/.rels")).iter(RELATIONSHIPS + "Relationship")}
    ribbon = root_rels.get("http://schemas.microsoft.com/office/2007/relationships/ui/extensibility")
    check("ribbon relationship", ribbon == "customUI/customUI14.xml", root_rels)
    ribbon_xml = ElementTree.fromstring(package.read(ribbon))
    buttons = [b for b in ribbon_xml.iter() if b.tag.endswith("}button")]
    check("ribbon button calls the ribbon module",
          len(buttons) == 1 and buttons[0].get("onAction") == "TavrelRibbonAnalyze")
    tabs = [t for t in ribbon_xml.iter() if t.tag.endswith("}tab")]
    check("ribbon tab Tavrel", len(tabs) == 1 and tabs[0].get("label") == "Tavrel")
    workbook_rels = {r.get("Type"): r.get("Target") for r in
                     ElementTree.fromstring(package.read("xl/_rels/workbook.xml.rels")).iter(RELATIONSHIPS + "Relationship")}
    check("vbaProject relationship from the workbook",
          workbook_rels.get("http://schemas.microsoft.com/office/2006/relationships/vbaProject") == "vbaProject.bin",
          workbook_rels)
    times = {info.date_time for info in package.infolist()}
    check("one fixed time on every entry", times == {(2026, 1, 1, 0, 0, 0)}, times)

    ole = olefile.OleFileIO(io.BytesIO(package.read("xl/vbaProject.bin")))
    module_names = [os.path.splitext(os.path.basename(s))[0] for s in sources]
    streams = sorted("/".join(entry) for entry in ole.listdir())
    expected_streams = sorted(["PROJECT", "PROJECTwm", "VBA/_VBA_PROJECT", "VBA/dir"] +
                              ["VBA/" + name for name in module_names])
    check("streams of the project", streams == expected_streams, streams)
    check("_VBA_PROJECT: version 0xFFFF, no cache",
          ole.openstream("VBA/_VBA_PROJECT").read() == bytes([0xCC, 0x61, 0xFF, 0xFF, 0x00, 0x01, 0x00]))

    project = ole.openstream("PROJECT").read().decode("cp932")
    lines = project.split("\r\n")
    check("PROJECT lists the modules", [l[7:] for l in lines if l.startswith("Module=")] == module_names)
    check("PROJECT names the project", 'Name="Tavrel"' in lines)
    check("PROJECT has CMG, DPB and GC", all(any(l.startswith(k + '="') for l in lines) for k in ("CMG", "DPB", "GC")))
    check("PROJECT has host extenders", "[Host Extender Info]" in lines)

    records = dir_records(decompress(ole.openstream("VBA/dir").read()))
    by_id = {}
    for record_id, payload in records:
        by_id.setdefault(record_id, []).append(payload)
    check("dir: code page 932", by_id.get(0x0003) == [struct.pack("<H", 932)], by_id.get(0x0003))
    check("dir: project name", by_id.get(0x0004) == [b"Tavrel"])
    check("dir: module count", by_id.get(0x000F) == [struct.pack("<H", len(module_names))])
    check("dir: module names", [p.decode("ascii") for p in by_id.get(0x0019, [])] == module_names)
    check("dir: Unicode module names", [p.decode("utf-16-le") for p in by_id.get(0x0047, [])] == module_names)
    check("dir: stream names", [p.decode("ascii") for p in by_id.get(0x001A, [])] == module_names)
    check("dir: sources start their streams", by_id.get(0x0031) == [struct.pack("<I", 0)] * len(module_names))
    check("dir: standard modules", len(by_id.get(0x0021, [])) == len(module_names) and 0x0022 not in by_id)
    check("dir: ends with its terminator", records[-1] == (0x0010, b""))

    for name, source in zip(module_names, sources):
        text = decompress(ole.openstream("VBA/" + name).read())
        expected = repository_stream_text(source)
        check(name + ": stream is the source in code page 932", text == expected,
              "%d bytes, %d expected" % (len(text), len(expected)))

    names_map = ole.openstream("PROJECTwm").read()
    expected_map = b"".join(n.encode("ascii") + b"\0" + n.encode("utf-16-le") + b"\0\0" for n in module_names) + b"\0\0"
    check("PROJECTwm maps every module", names_map == expected_map)

    failed = [n for n, ok in results if not ok]
    print("%d passed, %d failed" % (len(results) - len(failed), len(failed)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
