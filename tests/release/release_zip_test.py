"""The release zip that CPack makes: exactly the five files in one folder,
the library, the programs and the workbook as built, and the read-me in
UTF-8 with a byte-order mark and CR LF line ends.

usage: release_zip_test.py CPACK CPACK_CONFIG WORK_DIR NAME=BUILT_FILE..."""
import glob
import os
import shutil
import subprocess
import sys
import zipfile


def main():
    cpack, config, work = sys.argv[1:4]
    built = dict(arg.split("=", 1) for arg in sys.argv[4:])
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    subprocess.run([cpack, "--config", config, "-B", work], check=True, stdout=subprocess.DEVNULL)
    results = []

    def check(name, ok, seen=""):
        results.append(ok)
        print(("PASS " if ok else "FAIL ") + name + ("" if ok else ": %s" % (seen,)))

    zips = glob.glob(os.path.join(work, "*.zip"))
    check("one zip", len(zips) == 1, zips)
    archive = zipfile.ZipFile(zips[0])
    folder = os.path.splitext(os.path.basename(zips[0]))[0]
    names = sorted(n for n in archive.namelist() if not n.endswith("/"))
    expected = sorted(folder + "/" + n for n in list(built) + ["ReadMe.txt"])
    check("the five files in one folder", names == expected, names)
    for name, path in built.items():
        with open(path, "rb") as f:
            check(name + " as built", archive.read(folder + "/" + name) == f.read())
    readme = archive.read(folder + "/ReadMe.txt")
    check("read-me starts with a byte-order mark", readme.startswith(b"\xef\xbb\xbf"))
    check("read-me has CR LF line ends only", readme.count(b"\n") > 10 and readme.count(b"\n") == readme.count(b"\r\n"))
    text = readme[3:].decode("utf-8")
    for topic in ("インストール", "アンインストール", "分析の手順", "結果のシート"):
        check("read-me tells " + topic, "■ " + topic in text)
    failed = results.count(False)
    print("%d passed, %d failed" % (len(results) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
