#!/usr/bin/env python3
"""Checks that every constant our platform layer declares (platform/*_api.h: #define values
and enumerators) has the value the Windows SDK gives it: writes a C++ file of static_asserts
against <windows.h>, <mmsystem.h> and <d3d9.h> and compiles it with the Windows compiler.
Usage: layer_constants.py SOURCE_DIR WINDOWS_CXX WORK_DIR
"""
import re
import subprocess
import sys

HEADERS = ["win32_api.h", "d3d9_api.h", "waveout_api.h"]
# Calling conventions, which are not values. Resource ids made with MAKEINTRESOURCEA are
# pointers, not constant expressions: they are left out.
NOT_VALUES = {"WINAPI", "CALLBACK", "APIENTRY"}
DEFINE = re.compile(r"^#define\s+([A-Z_][A-Z0-9_]*)\s+(\S.*)$")
ENUMERATOR = re.compile(r"\b([A-Z][A-Z0-9_]*)\s*=\s*([^,}]+)")


def constants(path):
    found = []
    in_enum = False
    for line in open(path):
        line = line.split("//")[0].rstrip()
        match = DEFINE.match(line)
        if match and match.group(1) not in NOT_VALUES and "MAKEINTRESOURCE" not in line:
            found.append((match.group(1), match.group(2).strip()))
            continue
        if re.match(r"^typedef enum", line):
            in_enum = True
        if in_enum:
            for name, value in ENUMERATOR.findall(line):
                found.append((name, value.strip()))
            if "}" in line:
                in_enum = False
    return found


def main(argv):
    if len(argv) != 4:
        print(__doc__)
        return 2
    source_dir, compiler, work = argv[1:]
    lines = ["#include <windows.h>", "#include <mmsystem.h>", "#include <d3d9.h>",
             "#include <cstdint>", ""]
    count = 0
    for header in HEADERS:
        for name, value in constants("%s/platform/%s" % (source_dir, header)):
            # Compared as wide integers, so a value and its type's sign both count.
            lines.append("static_assert((long long)(%s) == (long long)(%s),"
                         " \"%s: %s\");" % (name, value, name, header))
            count += 1
    path = "%s/layer_constants.cpp" % work
    open(path, "w").write("\n".join(lines) + "\n")
    result = subprocess.run([compiler, "-std=c++20", "-fsyntax-only", "-Wall", "-Wextra",
                             "-Wno-unused-macros", path], capture_output=True, text=True)
    if result.returncode != 0:
        errors = [l for l in result.stderr.splitlines() if "error" in l]
        print("\n".join(errors[:40]))
        print("FAIL: constants of the platform layer differ from the Windows SDK's")
        return 1
    print("PASS: %d constants of the platform layer have the Windows SDK's values" % count)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
