"""A headless LibreOffice for the add-in's tests: its own profile in the
build folder, no first-start wizard, driven over a private pipe, always
ended (terminate, then kill) when the test is done."""
import contextlib
import os
import subprocess
import time

import uno
from com.sun.star.beans import PropertyValue

# LibreOffice's type detection does not know the add-in's content type
# (application/vnd.ms-excel.addin.macroEnabled.main+xml), so the import
# filter for macro-enabled workbooks is named.
XLSX_VBA_FILTER = "Calc MS Excel 2007 VBA XML"

# The header LibreOffice's VBA import puts in front of a standard module.
IMPORT_HEADER = "Rem Attribute VBA_ModuleType=VBAModule\nOption VBASupport 1\n"


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


@contextlib.contextmanager
def office(profile_dir, timeout=60):
    """Yields the Desktop of a LibreOffice started for this test."""
    os.makedirs(profile_dir, exist_ok=True)
    pipe = "tavrel_addin_%d" % os.getpid()
    process = subprocess.Popen(
        ["soffice", "--headless", "--invisible", "--norestore", "--nologo", "--nodefault",
         "--nolockcheck", "--nofirststartwizard",
         "-env:UserInstallation=" + uno.systemPathToFileUrl(os.path.abspath(profile_dir)),
         "--accept=pipe,name=%s;urp;" % pipe],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        deadline = time.time() + timeout
        while True:
            try:
                context = resolver.resolve(
                    "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                break
            except Exception:
                if time.time() > deadline or process.poll() is not None:
                    raise RuntimeError("LibreOffice did not start")
                time.sleep(0.2)
        desktop = context.ServiceManager.createInstanceWithContext(
            "com.sun.star.frame.Desktop", context)
        yield desktop
        with contextlib.suppress(Exception):
            desktop.terminate()
    finally:
        try:
            process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def open_workbook(desktop, path):
    """The add-in workbook opened with its VBA imported and executable."""
    document = desktop.loadComponentFromURL(
        uno.systemPathToFileUrl(os.path.abspath(path)), "_blank", 0,
        (prop("Hidden", True), prop("MacroExecutionMode", 4), prop("FilterName", XLSX_VBA_FILTER)))
    if document is None:
        raise RuntimeError("LibreOffice could not open " + path)
    return document


def repository_source(path):
    """A module's source as LibreOffice's import gives it back: UTF-8 text
    without the Attribute lines (the import drops them), LF line ends."""
    with open(path, encoding="utf-8") as f:
        text = f.read().replace("\r\n", "\n")
    return "".join(line + "\n" for line in text.split("\n")[:-1] if not line.startswith("Attribute "))


def summary(results):
    """Prints the results and the closing line; the exit status."""
    failed = [name for name, ok in results if not ok]
    print("%d passed, %d failed" % (len(results) - len(failed), len(failed)))
    return 1 if failed or not results else 0
