"""Opens the built add-in workbook in LibreOffice with its VBA import and
checks that every module's source read back equals the repository's,
Japanese literals included.

usage: libreoffice_import_test.py WORKBOOK PROFILE_DIR MODULE.bas..."""
import os
import sys

import office


def main():
    workbook, profile = sys.argv[1:3]
    sources = sys.argv[3:]
    results = []
    with office.office(profile) as desktop:
        document = office.open_workbook(desktop, workbook)
        try:
            libraries = document.BasicLibraries
            results.append(("project imported as library Tavrel", libraries.hasByName("Tavrel")))
            library = libraries.getByName("Tavrel")
            expected_names = sorted(os.path.splitext(os.path.basename(s))[0] for s in sources)
            names = sorted(library.ElementNames)
            read_backs = []
            results.append(("modules %s" % names, names == expected_names))
            for source in sources:
                name = os.path.splitext(os.path.basename(source))[0]
                if not library.hasByName(name):
                    results.append((name + " missing", False))
                    continue
                read_back = library.getByName(name)
                # The import reads an empty line after the final line end.
                expected = office.IMPORT_HEADER + office.repository_source(source) + "\n"
                same = read_back == expected
                if not same:
                    for number, (a, b) in enumerate(zip(read_back.split("\n"), expected.split("\n")), 1):
                        if a != b:
                            print("%s line %d:\n  read back %r\n  expected  %r" % (name, number, a, b))
                            break
                    else:
                        print("%s: %d characters read back, %d expected" % (name, len(read_back), len(expected)))
                results.append((name + " source read back unchanged", same))
                read_backs.append(read_back)
            # Equality covers every literal; this guards against a test run
            # on sources that hold no Japanese at all.
            results.append(("Japanese literal \"Tavrel結果\" read back",
                            any('"Tavrel結果"' in text for text in read_backs)))
        finally:
            document.close(True)
    for name, ok in results:
        print(("PASS " if ok else "FAIL ") + name)
    return office.summary(results)


if __name__ == "__main__":
    sys.exit(main())
