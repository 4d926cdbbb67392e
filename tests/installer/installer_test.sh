#!/usr/bin/env bash
# The setup program and the zip, as a user meets them, in a Wine prefix of the
# test's own: package the built binaries, install silently (twice: the second
# run upgrades in place), check files, COM classes, the player's effect
# registration, the Start menu entry, the .mr association and that the editor
# starts from the installed folder; uninstall silently and check that all of
# it is gone while the user's own settings stay. Prints one line per check and
# "N passed, N failed" at the end.
#   installer_test.sh BIN64 BIN32 WORKDIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
bin64=$(realpath "$1")
bin32=$(realpath "$2")
work=$3
rm -rf "$work"
mkdir -p "$work"
work=$(realpath "$work")
wine="$root/scripts/wine-run --root $work/wine"
drive="$work/wine/prefix/drive_c"

pass=0
fail=0
check() {  # description command...
    local what=$1
    shift
    if "$@" >"$work/last.log" 2>&1; then
        echo "ok   $what"
        pass=$((pass + 1))
    else
        echo "FAIL $what"
        sed 's/^/     /' "$work/last.log" | head -n 10
        fail=$((fail + 1))
    fi
}
absent() { ! "$@"; }
reg_has() {  # key [value]: the key (or the value) exists
    if [ $# -eq 2 ]; then $wine reg query "$1" /v "$2"; else $wine reg query "$1"; fi
}
reg_value_is() {  # key value expected
    $wine reg query "$1" /v "$2" | tr -d '\r' | grep -qF "$3"
}

clsids=("{7C201D0F-457A-4CA8-8AFF-C684D68E4583}" "{1DE86D7B-88F2-4F78-B18E-AB5D2A7FAF06}"
        "{61CDA02A-1A41-4D89-A626-0E98CABBF470}" "{FD6DF2E2-881D-11d8-BA5E-0800100A00B9}")
effect='HKLM\SOFTWARE\Microsoft\MediaPlayer\Objects\Effects\Mirelto\Properties'
effect32='HKLM\SOFTWARE\Wow6432Node\Microsoft\MediaPlayer\Objects\Effects\Mirelto\Properties'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Mirelto'
installed="$drive/Program Files/Mirelto"
installed32="$drive/Program Files (x86)/Mirelto"

check "package writes the setup program and the zip" \
    "$root/scripts/package" --no-setup --prebuilt "$bin64" "$bin32" --out "$work/dist"
version=$(sed -nE 's/^project\(Mirelto VERSION ([0-9.]+).*/\1/p' "$root/CMakeLists.txt")
zip="$work/dist/mirelto-$version.zip"
mkdir -p "$work/zip"
check "the zip holds both widths" python3 -c "
import zipfile, sys
names = set(zipfile.ZipFile(sys.argv[1]).namelist())
need = {'x64/mredit.exe','x64/mrws.dll','x64/mrrt.dll','x64/mrwsc.dll','x64/mrwmp.dll','x86/mrwmp.dll','x86/vis_mrlyr.dll','README.txt'}
sys.exit(0 if need <= names else 'missing: %s' % sorted(need - names))" "$zip"
python3 -m zipfile -e "$zip" "$work/zip" >/dev/null 2>&1
check "every binary in the zip imports system DLLs only" \
    "$root/scripts/check-imports" x86_64-w64-mingw32-objdump "$work/zip"/x64/* "$work/zip"/x86/*.dll

# The user's own settings, there before the product is installed.
$wine reg add 'HKCU\Software\Mirelto\Editor' /v SimpleMode /t REG_DWORD /d 1 /f >/dev/null 2>&1
for round in 1 2; do
    check "silent setup, run $round" $wine "$work/dist/mirelto-setup.exe" /S '/WINAMP=C:\Winamp\Plugins'
done
# Where Wine runs no 32-bit programs its prefix is a Windows without the
# 32-bit subsystem: the setup must leave the 32-bit effect out there, not put
# it over the 64-bit one.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then has32=1; else has32=0; fi
for f in mredit.exe mrws.dll mrrt.dll mrwsc.dll mrwmp.dll mrlyrics.exe uninstall.exe; do
    check "installed $f" test -f "$installed/$f"
done
check "the installed effect is the 64-bit one" \
    bash -c "x86_64-w64-mingw32-objdump -f '$installed/mrwmp.dll' | grep -q 'file format pei-x86-64'"
if [ $has32 -eq 1 ]; then
    check "installed the 32-bit effect" test -f "$installed32/mrwmp.dll"
else
    check "no 32-bit effect without 32-bit Windows" test ! -e "$installed32/mrwmp.dll"
fi
check "installed the Winamp module" test -f "$drive/Winamp/Plugins/vis_mrlyr.dll"
for c in "${clsids[@]}"; do
    check "class $c registered to the installed module" \
        bash -c "$wine reg query 'HKLM\\Software\\Classes\\CLSID\\$c\\InprocServer32' | tr -d '\r' | grep -qi 'Program Files.Mirelto'"
done
[ $has32 -eq 0 ] || check "the 32-bit effect's class is registered" reg_has "HKLM\\Software\\Wow6432Node\\Classes\\CLSID\\${clsids[3]}\\InprocServer32"
check "COM creates the four classes by identifier" $wine "$bin64/install_probe.exe" create "${clsids[@]}"
check "the player finds the effect" reg_value_is "$effect" classid "${clsids[3]}"
check "the effect's name and description" bash -c "$wine reg query '$effect' | tr -d '\r' | grep -q 'RT_STRING/#101' && $wine reg query '$effect' | tr -d '\r' | grep -q 'RT_STRING/#102'"
[ $has32 -eq 0 ] || check "the 32-bit player finds the 32-bit effect" reg_value_is "$effect32" classid "${clsids[3]}"
check "one entry in the uninstall list" bash -c "$wine reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall' | tr -d '\r' | grep -c 'Uninstall\\\\Mirelto\$' | grep -qx 1"
check "the uninstall entry" reg_value_is "$uninstall_key" DisplayVersion "$version"
check "Start menu entry" bash -c "ls '$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Mirelto/'*.lnk"
check ".mr opens the editor" bash -c "$wine reg query 'HKLM\\Software\\Classes\\Mirelto.Lyrics\\shell\\open\\command' | tr -d '\r' | grep -qi 'mredit.exe\" \"%1\"'"
check ".lrc and .txt are left alone" absent bash -c "$wine reg query 'HKLM\\Software\\Classes\\.lrc' | tr -d '\r' | grep -q Mirelto"

# The editor from the installed folder, and through a .mr file.
printf '[00:01.00]one\n' > "$work/song.lrc"
"$root/build/native/bin/mrlyrics" convert "$work/song.lrc" "$work/song.mr" >/dev/null 2>&1 ||
    cp "$work/song.lrc" "$work/song.mr"
timeout 90 $wine "$installed/mredit.exe" >/dev/null 2>&1 &
check "the installed editor shows its window" $wine "$bin64/install_probe.exe" window MRMainFrame 30
wait
timeout 90 $wine start /wait /unix "$work/song.mr" >/dev/null 2>&1 &
check "opening a .mr file starts the editor" $wine "$bin64/install_probe.exe" window MRMainFrame 30
wait

# The uninstaller runs from a copy of itself, as "Apps & features" starts it;
# a probe waiting for the uninstaller to be gone keeps this prefix's Wine up
# until it has finished.
$wine "$bin64/install_probe.exe" gone 'C:\Program Files\Mirelto\uninstall.exe' 120 >"$work/gone.log" 2>&1 &
probe=$!
check "silent uninstall" $wine "$installed/uninstall.exe" /S
check "the uninstaller finishes" wait "$probe"
for f in mredit.exe mrws.dll mrrt.dll mrwsc.dll mrwmp.dll mrlyrics.exe uninstall.exe; do
    check "removed $f" test ! -e "$installed/$f"
done
check "removed the 32-bit effect" test ! -e "$installed32/mrwmp.dll"
check "removed the Winamp module" test ! -e "$drive/Winamp/Plugins/vis_mrlyr.dll"
for c in "${clsids[@]}"; do
    check "class $c unregistered" absent reg_has "HKLM\\Software\\Classes\\CLSID\\$c"
done
check "the effect's registration is gone" absent reg_has "$effect"
[ $has32 -eq 0 ] || check "the 32-bit effect's registration is gone" absent reg_has "$effect32"
check "the association is gone" absent reg_has 'HKLM\Software\Classes\.mr'
check "the uninstall entry is gone" absent reg_has "$uninstall_key"
check "the user's settings stay" reg_value_is 'HKCU\Software\Mirelto\Editor' SimpleMode 0x1

echo "installer: $pass passed, $fail failed"
[ "$fail" -eq 0 ]
