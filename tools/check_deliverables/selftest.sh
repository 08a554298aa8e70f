#!/usr/bin/env bash
# Feeds check_module.sh canned objdump and nm output of good and broken
# modules, and checks that it passes the good ones and names every fault of the
# broken ones.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
samples=$here/samples
fake=$samples/fake-binutils.sh
failures=0

# expect STATUS SAMPLE FORMAT "EXPECTED LINES..." [OPTIONS...]
# STATUS is pass or fail; every expected line must appear in the output.
expect() {
  local status=$1 sample=$2 format=$3 wanted=$4
  shift 4
  local output rc=0
  output=$("$here/check_module.sh" --format "$format" --objdump "$fake" --nm "$fake" "$@" \
    "$samples/$sample" 2>&1) || rc=$?
  if [[ $status == pass && $rc -ne 0 ]] || [[ $status == fail && $rc -ne 1 ]]; then
    echo "FAIL $sample: expected $status, exit status $rc; output:"
    echo "$output"
    failures=$((failures + 1))
    return
  fi
  local line before=$failures
  while IFS= read -r line; do
    [[ -z $line ]] && continue
    if ! grep -qF -- "$line" <<<"$output"; then
      echo "FAIL $sample: output lacks '$line'; output:"
      echo "$output"
      failures=$((failures + 1))
    fi
  done <<<"$wanted"
  ((failures > before)) || echo "ok   $sample ($status)"
}

expect pass pe-good pei-i386 "ok   $samples/pe-good"
expect fail pe-decorated pei-i386 "\
export 'DllCanUnloadNow@0' is decorated; the host looks up 'DllCanUnloadNow'
export 'DllGetClassObject@12' is decorated; the host looks up 'DllGetClassObject'
missing export 'DllCanUnloadNow'
missing export 'DllGetClassObject'"
expect fail pe-missing-extra pei-i386 "\
unexpected export '_ZN5Orvel4BindEv'
missing export 'DllCanUnloadNow'"
expect fail pe-no-exports pei-i386 "\
missing export 'DllInitRDCom'
missing export 'DllGetClassObject'
missing export 'DllCanUnloadNow'"
expect fail pe-foreign-imports pei-i386 "\
imports compiler runtime 'libgcc_s_dw2-1.dll'
imports compiler runtime 'libstdc++-6.dll'
imports compiler runtime 'libwinpthread-1.dll'
imports 'zlib1.dll', which is not a Windows system DLL"
expect fail pe-wrong-machine pei-i386 "\
file format is 'pei-x86-64', expected 'pei-i386'
optional header is not PE32 (magic 010b)"
expect pass pe-wrong-machine pei-x86-64 ""

expect pass elf-good elf64-x86-64 ""
expect fail elf-good elf32-i386 "file format is 'elf64-x86-64', expected 'elf32-i386'"
expect fail elf-sanitized elf64-x86-64 "\
needs sanitizer runtime 'libasan.so.8' outside a sanitizer build
needs sanitizer runtime 'libubsan.so.1' outside a sanitizer build"
expect pass elf-sanitized elf64-x86-64 "" --sanitized
expect fail elf-leaky elf32-i386 "\
unexpected export '_Znwj'
needs compiler runtime 'libstdc++.so.6'
needs compiler runtime 'libgcc_s.so.1'" --sanitized

# The ok line must not hide a fault: a failing sample prints none.
decorated=$("$here/check_module.sh" --format pei-i386 --objdump "$fake" "$samples/pe-decorated" || true)
if grep -q '^ok' <<<"$decorated"; then
  echo "FAIL pe-decorated: reported ok despite its faults"
  failures=$((failures + 1))
fi

((failures == 0))
