#!/usr/bin/env bash
# check_module.sh --format FORMAT [options] MODULE...
#
# Checks what the host sees of a built module before it runs any of its code:
# the machine type, the exported names it looks up, and the libraries the
# loader must find beside the module. The host looks the three entry points up
# by their plain names, and it ships no compiler runtime, so a decorated name
# or a dependency on a compiler's DLL makes the module unloadable for it.
#
#   --format FORMAT   the file format objdump must report: pei-i386 (the
#                     deliverables), pei-x86-64, elf64-x86-64 or elf32-i386
#   --sanitized       the module is built with the sanitizers, whose runtime
#                     libraries are then allowed among the ELF dependencies
#   --objdump TOOL    objdump of the module's target (default: objdump)
#   --nm TOOL         nm of the module's target, for ELF (default: nm)
#
# Prints one line per problem, and exits 1 if there is any.
set -euo pipefail

readonly entry_points=(DllInitRDCom DllGetClassObject DllCanUnloadNow)

format=
sanitized=0
objdump=objdump
nm=nm
modules=()

while (($#)); do
  case $1 in
    --format) format=$2; shift 2 ;;
    --sanitized) sanitized=1; shift ;;
    --objdump) objdump=$2; shift 2 ;;
    --nm) nm=$2; shift 2 ;;
    --) shift; modules+=("$@"); break ;;
    -*) echo "check_module.sh: unknown option $1" >&2; exit 2 ;;
    *) modules+=("$1"); shift ;;
  esac
done

if [[ -z $format || ${#modules[@]} -eq 0 ]]; then
  echo "usage: check_module.sh --format FORMAT [--sanitized] [--objdump TOOL] [--nm TOOL] MODULE..." >&2
  exit 2
fi

failures=0
module=

fail() {
  echo "FAIL $module: $*"
  failures=$((failures + 1))
}

# The names exported must be exactly the three entry points, undecorated.
check_exports() {
  local -a exported=("$@")
  local name wanted base found
  for name in "${exported[@]}"; do
    base=${name#_}
    base=${base%%@*}
    if [[ $name == *@* ]]; then
      fail "export '$name' is decorated; the host looks up '$base'"
      continue
    fi
    found=0
    for wanted in "${entry_points[@]}"; do
      [[ $name == "$wanted" ]] && found=1
    done
    ((found)) || fail "unexpected export '$name'; only ${entry_points[*]} may be exported"
  done
  for wanted in "${entry_points[@]}"; do
    found=0
    for name in "${exported[@]}"; do
      [[ $name == "$wanted" ]] && found=1
    done
    ((found)) || fail "missing export '$wanted'"
  done
}

# Windows DLLs every Windows installation has; the modules must need no other.
is_windows_system_dll() {
  local dll=${1,,}
  case $dll in
    kernel32.dll | msvcrt.dll | ntdll.dll | user32.dll | advapi32.dll | ole32.dll | \
      oleaut32.dll | shell32.dll | ucrtbase.dll | api-ms-win-*.dll) return 0 ;;
  esac
  return 1
}

check_pe() {
  local dump=$1
  local magic= kind=
  case $format in
    pei-i386) magic=010b kind=PE32 ;;
    pei-x86-64) magic=020b kind=PE32+ ;;
  esac
  if [[ -n $magic ]] && ! grep -qE "^Magic[[:space:]]+$magic[[:space:]]" <<<"$dump"; then
    fail "optional header is not $kind (magic $magic)"
  fi

  local -a exports=()
  mapfile -t exports < <(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' <<<"$dump")
  check_exports "${exports[@]}"

  local dll
  while read -r dll; do
    [[ -z $dll ]] && continue
    case ${dll,,} in
      libgcc* | libstdc++* | libwinpthread*)
        fail "imports compiler runtime '$dll'; link it statically" ;;
      *)
        is_windows_system_dll "$dll" || fail "imports '$dll', which is not a Windows system DLL" ;;
    esac
  done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
}

check_elf() {
  local dump=$1
  local -a symbols=()
  local symbol_dump
  if ! symbol_dump=$("$nm" -D --defined-only "$module" 2>&1); then
    fail "$nm cannot read the dynamic symbols: $symbol_dump"
    return
  fi
  mapfile -t symbols < <(awk 'NF >= 3 { print $3 }' <<<"$symbol_dump")
  check_exports "${symbols[@]}"

  local library
  while read -r library; do
    [[ -z $library ]] && continue
    case $library in
      libc.so.* | libm.so.* | ld-linux*.so.*) ;;
      libasan.so.* | libubsan.so.*)
        ((sanitized)) || fail "needs sanitizer runtime '$library' outside a sanitizer build" ;;
      libstdc++* | libgcc_s*)
        fail "needs compiler runtime '$library'; the host process need not have it" ;;
      *)
        fail "needs '$library'; only libc, libm and the dynamic loader are allowed" ;;
    esac
  done < <(awk '$1 == "NEEDED" { print $2 }' <<<"$dump")
}

for module in "${modules[@]}"; do
  before=$failures
  if ! dump=$("$objdump" -p "$module" 2>&1); then
    fail "$objdump cannot read it: $dump"
    continue
  fi
  actual=$(sed -n 's/.*file format //p' <<<"$dump" | head -n1)
  if [[ $actual != "$format" ]]; then
    fail "file format is '${actual:-unknown}', expected '$format' (wrong machine or object type)"
  fi
  case $format in
    pei-*) check_pe "$dump" ;;
    elf*) check_elf "$dump" ;;
    *) echo "check_module.sh: no rules for format '$format'" >&2; exit 2 ;;
  esac
  ((failures == before)) && echo "ok   $module"
done

((failures == 0))
