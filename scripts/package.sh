#!/usr/bin/env bash
# Builds the release packages into packages/ (or $HALVEX_PACKAGE_DIR): the Debian package of the
# Linux build, and the zip and the setup of the 32-bit Windows build. Installs what is missing
# and builds what is not built yet first, so on a fresh machine this one command is enough.
#
#   scripts/package.sh          make the packages
#   scripts/package.sh --check  then install each package, run the programs from where they
#                               went, remove the package again and check that nothing is left
#
# Where this machine cannot run 32-bit programs, the check installs a setup made the same way
# from the 64-bit build (build-windows64/package) in place of the 32-bit one.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
check=
if [[ ${1:-} == --check ]]; then check=1; fi

bash scripts/install-deps.sh >/dev/null
bash scripts/build.sh >/dev/null
bash scripts/build-windows.sh >/dev/null

version=$(cat build/halvex-version.txt)
out=${HALVEX_PACKAGE_DIR:-$root/packages}
mkdir -p "$out"

say() { printf 'package: %s\n' "$*"; }

# --- Linux: the .deb, its dependencies computed by dpkg-shlibdeps -----------------------------
rm -rf build/package
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/package/halvex_"$version"_*.deb)
cp "$deb" "$out/"
deb=$out/$(basename "$deb")
say "$deb ($(dpkg-deb -f "$deb" Depends))"

# --- Windows: the zip and the setup of one build ----------------------------------------------
# windows_package BUILD-DIR NAME OUT-DIR [makensis options]: installs the build into a folder
# NAME, zips it as NAME.zip and makes NAME-setup.exe, which installs the same files and whose
# uninstaller removes exactly those.
windows_package() {
    local build=$1 name=$2 dest=$3
    shift 3
    local stage
    stage=$(mktemp -d)
    local tree=$stage/$name
    cmake --install "$build" --prefix "$tree" >/dev/null
    rm -f "$dest/$name.zip"
    (cd "$stage" && cmake -E tar cf "$dest/$name.zip" --format=zip "$name")

    # The setup's file list and the uninstaller's, both from the one installed tree.
    local dir file rel
    : >"$stage/install.nsh"
    while IFS= read -r dir; do
        rel=${dir#"$tree"}
        printf 'SetOutPath "$INSTDIR%s"\n' "${rel//\//\\}" >>"$stage/install.nsh"
        while IFS= read -r file; do
            printf 'File "%s"\n' "$file" >>"$stage/install.nsh"
        done < <(find "$dir" -maxdepth 1 -type f | sort)
    done < <(find "$tree" -type d | sort)
    : >"$stage/remove.nsh"
    while IFS= read -r file; do
        rel=${file#"$tree"}
        printf 'Delete "$INSTDIR%s"\n' "${rel//\//\\}" >>"$stage/remove.nsh"
    done < <(find "$tree" -type f | sort)
    while IFS= read -r dir; do
        rel=${dir#"$tree"}
        printf 'RMDir "$INSTDIR%s"\n' "${rel//\//\\}" >>"$stage/remove.nsh"
    done < <(find "$tree" -mindepth 1 -type d | sort -r)

    makensis -V2 -DVERSION="$version" -DSIZE_KB="$(du -sk "$tree" | cut -f1)" \
        -DFILES="$stage/install.nsh" -DREMOVE="$stage/remove.nsh" \
        -DOUTFILE="$dest/$name-setup.exe" "$@" packaging/windows/halvex.nsi >/dev/null
    rm -rf "$stage"
    say "$dest/$name.zip, $dest/$name-setup.exe"
}

windows_package build-windows "halvex-$version-win32" "$out"
mkdir -p build-windows64/package
windows_package build-windows64 "halvex-$version-win64" "$root/build-windows64/package" -DWIN64

[[ -n $check ]] || exit 0

# --- The checks -------------------------------------------------------------------------------
fail() {
    printf 'package: %s\n' "$*" >&2
    exit 1
}
expect_version() { # PROGRAM-NAME OUTPUT
    [[ $(tr -d '\r' <<<"$2") == "$1 $version" ]] || fail "$1 --version said '$2', not '$1 $version'"
}

# The version resource of a Windows binary names the project version: its UTF-16 strings
# "ProductVersion" and the version, as Explorer's file properties show them.
utf16() {
    local text=$1 pattern= i c
    for ((i = 0; i < ${#text}; i++)); do
        c=${text:i:1}
        if [[ $c == . ]]; then c='\.'; fi
        pattern+="$c\\x00"
    done
    printf '%s' "$pattern"
}
for binary in halvex.dll host/halvex-host.exe; do
    LC_ALL=C grep -qaP "$(utf16 ProductVersion)(\\x00\\x00)+$(utf16 "$version")\\x00\\x00" \
        "build-windows/$binary" || fail "$binary has no version resource for $version"
done
say "the version resources of halvex.dll and halvex-host.exe say $version"

# Linux: dpkg installs the package with the dependencies it names, or refuses.
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
"${sudo_cmd[@]}" dpkg -i "$deb" >/dev/null
installed=$(dpkg -L halvex)
expect_version halvex-host "$(/usr/bin/halvex-host --version)"
expect_version halvex-gateway-sim "$(/usr/bin/halvex-gateway-sim --version)"
/usr/bin/halvex-host inspect /usr/share/doc/halvex/examples/demo-scene.rec >/dev/null \
    || fail "the installed halvex-host cannot inspect the installed sample record"
for file in /usr/include/halvex/plugin.h /usr/share/man/man1/halvex-host.1.gz \
    /usr/share/man/man1/halvex-gateway-sim.1.gz /usr/share/halvex/testbed.sh; do
    [[ -f $file ]] || fail "$file is not installed"
done
tshark -G plugins 2>/dev/null | grep -q 'halvex\.lua' || fail "Wireshark does not find the dissector"
"${sudo_cmd[@]}" dpkg --purge halvex >/dev/null
while IFS= read -r path; do
    [[ -d $path || ! -e $path ]] || fail "$path is left after removing the package"
done <<<"$installed"
say "$(basename "$deb"): installed, ran, removed"

# Windows: the setup installs silently into a fresh Wine prefix (nothing here opens a socket),
# the programs run from there, and the uninstaller leaves neither files nor registry entries.
setup=$out/halvex-$version-win32-setup.exe
loader=/usr/lib/wine/wine
if ! timeout 20 "$loader" --version >/dev/null 2>&1; then
    setup=$root/build-windows64/package/halvex-$version-win64-setup.exe
    loader=/usr/lib/wine/wine64
fi
prefix=$(mktemp -d /tmp/halvex-setup-XXXXXX)
trap 'WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; rm -rf "$prefix"' EXIT
export WINEPREFIX=$prefix
rmdir "$prefix"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Halvex'
registered() { WINEDEBUG=-all "$loader" reg query "$key" >/dev/null 2>&1; }
folder=$prefix/drive_c/Halvex
scripts/wine-run.sh "$setup" /S '/D=C:\Halvex' 2>/dev/null
wineserver -w
for file in halvex.dll halvex-host.exe uninstall.exe README.txt include/halvex/plugin.h \
    docs/user-guide.md docs/host-api.md examples/demo-scene.rec; do
    [[ -f $folder/$file ]] || fail "the setup did not install $file"
done
expect_version halvex-host "$(scripts/wine-run.sh "$folder/halvex-host.exe" --version)"
scripts/wine-run.sh "$folder/halvex-host.exe" inspect 'C:\Halvex\examples\demo-scene.rec' >/dev/null \
    || fail "the installed halvex-host.exe cannot inspect the installed sample record"
registered || fail "the setup registered no uninstaller"
scripts/wine-run.sh "$folder/uninstall.exe" /S 2>/dev/null
wineserver -w
[[ ! -e $folder ]] || fail "the uninstaller left $(find "$folder" | head -n 5)"
if registered; then fail "the uninstaller left its registry key"; fi
say "$(basename "$setup"): installed, ran, uninstalled"
