#!/usr/bin/env bash
# Builds one build's release packages with CPack, into a scratch folder,
# unpacks the one for a host interface and checks what a user gets: the zip
# named with the version, the host interface and the build of the host it is
# for; one folder UninstallMenu/ holding exactly
# the DLL, byte for byte the build's, the shipped language files and a ReadMe
# with Windows line endings that names this zip; the DLL as check-artefacts.sh
# wants it (machine type, exports, system imports only, hardening); each help
# file read as the host of the zip's interface reads it, by PLUGHOST (the
# 64-bit build's, which runs wherever Wine does) under Wine; and its version
# resource, read back under Wine by the first READER that can run here,
# holding that version.
# Usage: check-package.sh SOURCE_DIR BUILD_DIR VERSION x86|x64 far1|far3 PLUGHOST READER...
set -u
source_dir=$1 build_dir=$2 version=$3 arch=$4 interface=$5 help_reader=$6
shift 6
case $interface in
far1) built=$build_dir languages=$source_dir/lang reads=1 ;;
far3) built=$build_dir/far3 languages=$source_dir/lang/far3 reads=3 ;;
*) echo "unknown interface $interface" >&2; exit 2 ;;
esac
case $arch in
x86) format=pei-i386 ;;
x64) format=pei-x86-64 ;;
*) echo "unknown build $arch" >&2; exit 2 ;;
esac
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
. "$source_dir/scripts/wine-env"

name=UninstallMenu-$version-$interface-$arch.zip
cpack --config "$build_dir/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack failed"; exit 1; }
zip=$scratch/out/$name
[ -f "$zip" ] || { fail "no $name: $(ls "$scratch/out")"; exit 1; }

folder=UninstallMenu
expected="$folder/ReadMe.txt $folder/UninstallMenu.dll $folder/UninstallMenuEng.hlf $folder/UninstallMenuEng.lng $folder/UninstallMenuRus.hlf $folder/UninstallMenuRus.lng "
files=$(cmake -E tar tf "$zip" | grep -v '/$' | sort | tr '\n' ' ')
[ "$files" = "$expected" ] || fail "the zip holds [$files], not [$expected]"
folders=$(cmake -E tar tf "$zip" | grep '/$' | grep -vx "$folder/" | tr '\n' ' ')
[ -z "$folders" ] || fail "the zip has folders besides $folder/: $folders"

# The rest would only repeat a wrong layout.
[ $failures -eq 0 ] || exit 1

mkdir "$scratch/unpacked"
(cd "$scratch/unpacked" && cmake -E tar xf "$zip") || fail "the zip does not unpack"
unpacked=$scratch/unpacked/$folder
cmp -s "$unpacked/UninstallMenu.dll" "$built/UninstallMenu.dll" ||
    fail "its UninstallMenu.dll is not $built/UninstallMenu.dll byte for byte"
for shipped in UninstallMenuEng.lng UninstallMenuRus.lng UninstallMenuEng.hlf UninstallMenuRus.hlf; do
    cmp -s "$unpacked/$shipped" "$languages/$shipped" || fail "its $shipped is not $languages/$shipped"
done
# A 1.x help file's text is in its language's OEM code page; a 3.x one's
# must be UTF-8 whatever the code page.
found=
if [ ! -f "$help_reader" ]; then
    fail "no 64-bit plughost at $help_reader to read the help files with (make builds it)"
else
    for help in UninstallMenuEng.hlf:437 UninstallMenuRus.hlf:866; do
        verdict=$("$source_dir/scripts/wine" "$help_reader" --check-help $reads \
            "Z:$unpacked/${help%:*}" "${help#*:}" </dev/null 2>&1)
        status=$? verdict=${verdict//$'\r'/}
        if [ $status -eq 0 ] && [[ $verdict == "ok: "* ]]; then
            found+="${found:+, }${help%:*} (${verdict#ok: *: })"
        else
            fail "${help%:*} is not read as the $reads.x host reads help (status $status): $verdict"
            found+="${found:+, }${help%:*} (refused)"
        fi
    done
fi
echo "help files in $name: $found"

bash "$source_dir/tests/check-artefacts.sh" "$format" "$unpacked/UninstallMenu.dll" "$interface" \
    >"$scratch/artefacts.log" ||
    fail "the DLL in the zip: $(grep FAIL "$scratch/artefacts.log")"

readme=$unpacked/ReadMe.txt
lines=$(wc -l <"$readme")
crlf=$(grep -c $'\r$' "$readme")
[ "$lines" -gt 0 ] && [ "$crlf" = "$lines" ] && [ -z "$(tail -c1 "$readme" | tr -d '\n')" ] ||
    fail "ReadMe.txt does not end each of its $lines lines with CR LF ($crlf do)"
head -1 "$readme" | grep -qF "UninstallMenu $version" || fail "ReadMe.txt does not start with the version"
grep -qF "This is ${name}:" "$readme" || fail "ReadMe.txt does not say it is $name"

reader=
for candidate in "$@"; do
    if [ -f "$candidate" ] && { [ "$(pe_machine "$candidate")" != 014c ] ||
        "$source_dir/scripts/win32-support" >/dev/null; }; then
        reader=$candidate
        break
    fi
done
if [ -z "$reader" ]; then
    fail "none of the version readers can run here: $*"
else
    IFS=. read -r major minor patch <<<"$version"
    resource=$("$source_dir/scripts/wine" "$reader" "Z:$unpacked/UninstallMenu.dll" FileVersion \
        ProductVersion ProductName FileDescription OriginalFilename LegalCopyright </dev/null |
        tr -d '\r')
    want="Fixed=$major.$minor.$patch.0
FixedProduct=$major.$minor.$patch.0
FileVersion=$version
ProductVersion=$version
ProductName=UninstallMenu"
    if [ "$(head -5 <<<"$resource")" != "$want" ] ||
        ! grep -Eq '^FileDescription=.*plug-in' <<<"$resource" ||
        ! grep -qx 'OriginalFilename=UninstallMenu.dll' <<<"$resource" ||
        ! grep -Eq '^LegalCopyright=Copyright .+' <<<"$resource"; then
        fail "the DLL's version resource is not version $version's; it reads:"
        sed 's/^/    /' <<<"$resource"
    fi
fi

[ $failures -eq 0 ] &&
    echo "ok: $name: $folder/ with the $format DLL as built, its language and help files and ReadMe; version $version read back by $(basename "$(dirname "$(dirname "$reader")")")'s reader"
exit $((failures > 0))
