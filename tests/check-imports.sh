#!/usr/bin/env bash
# Keeps the floor of Windows versions: the executable's import table, every DLL
# and function, must be exactly the list in LIST, which names for each function
# the first Windows version that has it. Nothing in the list may be newer than
# Windows 7 SP1; what newer versions add is looked up at run time instead.
#   check-imports.sh OBJDUMP EXE LIST      (LIST: tests/release-imports.txt)
set -eu
objdump=$1 exe=$2 list=$3
"$objdump" -p "$exe" >/dev/null || { echo "imports_check: cannot read $exe" >&2; exit 1; }
python3 - "$list" "$(basename "$exe")" 3< <("$objdump" -p "$exe") <<'PY'
import os, re, sys
listfile, exename = sys.argv[1:]
# Oldest first; the floor is the last one.
VERSIONS = {"xp": "Windows XP", "vista": "Windows Vista", "7": "Windows 7", "7sp1": "Windows 7 SP1"}
ORDER = list(VERSIONS)
problems = []

listed = {}
for number, line in enumerate(open(listfile, encoding="utf-8"), 1):
    line = line.split("#", 1)[0].strip()
    if not line:
        continue
    fields = line.split()
    where = "%s:%d" % (os.path.basename(listfile), number)
    if len(fields) != 3:
        problems.append("%s: expected 'DLL FUNCTION VERSION', found %r" % (where, line))
        continue
    dll, function, version = fields[0].lower(), fields[1], fields[2].lower()
    if version not in VERSIONS:
        problems.append("%s: %s!%s is listed for %r; the list allows only %s (newer functions "
                        "are looked up at run time)" % (where, dll, function, fields[2], ", ".join(ORDER)))
    if (dll, function) in listed:
        problems.append("%s: %s!%s is listed twice" % (where, dll, function))
    listed[(dll, function)] = version

imported = set()
dll = None
for line in os.fdopen(3, encoding="utf-8", errors="replace"):
    m = re.match(r"\s*DLL Name:\s*(\S+)", line)
    if m:
        dll = m.group(1).lower()
    elif line.strip() and not line[0].isspace():  # the next part of the dump
        dll = None
    elif dll and line.strip() and not line.strip().startswith("vma:"):
        # "<thunk> <hint> <name>" for an import by name.
        m = re.match(r"\s*[0-9a-fA-F]+\s+\d+\s+(\S+)\s*$", line)
        if m:
            imported.add((dll, m.group(1)))
        elif not re.match(r"\s*[0-9a-fA-F]+(\s+[0-9a-fA-F]+){5}\s*$", line):
            # Not a directory row either: an import by ordinal, or a dump this
            # script does not know. Either way it must not pass unseen.
            problems.append("unreadable import of %s: %r" % (dll, line.strip()))

if not imported:
    problems.append("no imports found in the table of %s" % exename)
for dll, function in sorted(imported - set(listed)):
    problems.append("%s imports %s!%s, which %s does not list: add the line '%s %s <version>' "
                    "with the first Windows version that has it (one of %s)"
                    % (exename, dll, function, os.path.basename(listfile), dll, function, ", ".join(ORDER)))
for dll, function in sorted(set(listed) - imported):
    problems.append("%s lists %s!%s, which %s no longer imports: remove the line"
                    % (os.path.basename(listfile), dll, function, exename))
if problems:
    for p in problems[:30]:
        print("imports_check: " + p, file=sys.stderr)
    sys.exit(1)

newest = max(imported, key=lambda k: (ORDER.index(listed[k]), k))
dlls = sorted({d for d, _ in imported})
print("imports_check: %s imports %d functions from %s; all listed; newest: %s!%s (%s)"
      % (exename, len(imported), " ".join(dlls), newest[0], newest[1], VERSIONS[listed[newest]]))
PY
