"""Runs the add-in's VBA that needs no library on real cells, under
LibreOffice's VBA support: the modules as packed into the built workbook,
with the checks of TavrelAddinTests.bas added beside them.

usage: vba_runtime_test.py WORKBOOK TESTS.bas PROFILE_DIR"""
import sys

import office


def main():
    workbook, tests, profile = sys.argv[1:4]
    results = []
    with office.office(profile) as desktop:
        document = office.open_workbook(desktop, workbook)
        try:
            library = document.BasicLibraries.getByName("Tavrel")
            library.insertByName("TavrelAddinTests",
                                 office.IMPORT_HEADER + office.repository_source(tests))
            # The workbook's first sheet holds the test data; a second sheet
            # takes a name the free-name check has to step past.
            document.Sheets.insertNewByName("Tavrel結果", 1)
            document.CurrentController.setActiveSheet(document.Sheets.getByIndex(0))
            script = document.getScriptProvider().getScript(
                "vnd.sun.star.script:Tavrel.TavrelAddinTests.RunAll?language=Basic&location=document")
            report = script.invoke((), (), ())[0]
        finally:
            document.close(True)
    for line in report.splitlines():
        print(line)
        if line.startswith("PASS "):
            results.append((line[5:], True))
        elif line.startswith("FAIL "):
            results.append((line[5:], False))
    return office.summary(results)


if __name__ == "__main__":
    sys.exit(main())
