#!/usr/bin/env bash
# Checks of the installation, run by CTest (label "install"):
#   check.sh tree|validate|mime|package <build dir> <source dir>
# Each part installs the build into a fresh temporary prefix. Exit 77 marks a skip.
set -euo pipefail
part=$1
build=$(cd "$2" && pwd)
source=$(cd "$3" && pwd)
id=${ZOR_APP_ID:-example.tarnis.ZorPosition}
version=${ZOR_RECORD_ProductVersion:-}
mimetype=application/x-zor-position-project

work=$(mktemp -d "${TMPDIR:-/tmp}/zor-install-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

need() {
    command -v "$1" >/dev/null || { echo "$1 is missing: run tools/install-deps.sh" >&2; exit 1; }
}

install_prefix() {
    cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 \
        || { cat "$work/install.log" >&2; exit 1; }
}

# The files every installation holds, relative to the prefix.
expected_files() {
    cat <<LIST
bin/zor-position
bin/zor-position-cli
share/applications/$id.desktop
share/doc/zor-position/README.md
share/doc/zor-position/Порядок работы.pdf
share/icons/hicolor/scalable/apps/$id.svg
share/metainfo/$id.metainfo.xml
share/mime/packages/$id.xml
LIST
    for size in 16 22 24 32 48 64 128 256; do
        echo "share/icons/hicolor/${size}x${size}/apps/$id.png"
    done
}

# Width and height of a PNG from its header, as "W H".
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'
}

check_tree() {
    install_prefix
    (cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort) >"$work/found"
    expected_files | LC_ALL=C sort >"$work/expected"
    diff -u "$work/expected" "$work/found" || fail "installed files differ from the list (- missing, + unexpected)"
    for program in zor-position zor-position-cli; do
        [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
    done
    for size in 16 22 24 32 48 64 128 256; do
        local png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
        [ -f "$png" ] && [ "$(png_size "$png")" = "$size $size" ] \
            || fail "$png is not $size x $size"
    done
    cmp -s "$prefix/share/doc/zor-position/Порядок работы.pdf" "$source/docs/Порядок работы.pdf" \
        || fail "the installed manual is not docs/Порядок работы.pdf"
    grep -qx "Exec=zor-position %f" "$prefix/share/applications/$id.desktop" \
        || fail "the menu entry does not start zor-position with the file"
    grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop" || fail "the menu entry's icon is not $id"
    grep -qx "MimeType=$mimetype;" "$prefix/share/applications/$id.desktop" \
        || fail "the menu entry does not take $mimetype"
    grep -q "<release version=\"$version\" date=\"[0-9-]*\"/>" "$prefix/share/metainfo/$id.metainfo.xml" \
        || fail "the AppStream record has no release $version"
    if grep -q "@[A-Za-z_]*@" "$prefix/share/metainfo/$id.metainfo.xml"; then
        fail "the AppStream record has unfilled fields"
    fi
    # The command-line tool runs from the prefix.
    "$prefix/bin/zor-position-cli" --help >"$work/cli.out" 2>&1 || true
    grep -q "zor-position-cli" "$work/cli.out" || fail "bin/zor-position-cli --help: $(head -c 300 "$work/cli.out")"
}

check_validate() {
    need desktop-file-validate
    need appstreamcli
    install_prefix
    desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
    appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
}

# The type xdg-mime finds for a file with only the temporary prefix's data added to the system's.
filetype() {
    env -i PATH="$PATH" LC_ALL=C.UTF-8 HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" \
        XDG_DATA_DIRS="$1:/usr/local/share:/usr/share" xdg-mime query filetype "$2"
}

check_mime() {
    need update-mime-database
    need xdg-mime
    install_prefix
    mkdir -p "$work/home/.local/share" "$work/files"
    # It notes that the prefix is not on the search path: it is, for the queries below.
    update-mime-database "$prefix/share/mime" >/dev/null
    [ -f "$prefix/share/mime/$mimetype.xml" ] || fail "update-mime-database made no $mimetype"

    cp "$source/examples/hall.prj" "$work/files/hall.prj"
    cp "$source/examples/hall.prj" "$work/files/проект без расширения"
    # A map projection file of GIS programs, with the same extension.
    printf 'PROJCS["WGS_84_UTM_zone_37N",GEOGCS["GCS_WGS_1984",DATUM["D_WGS_1984",SPHEROID["WGS_1984",6378137.0,298.257223563]]],UNIT["Meter",1.0]]' \
        >"$work/files/map.prj"

    local file type
    for file in hall.prj "проект без расширения"; do
        type=$(filetype "$prefix/share" "$work/files/$file")
        [ "$type" = "$mimetype" ] || fail "$file: '$type', expected $mimetype"
    done
    type=$(filetype "$prefix/share" "$work/files/map.prj")
    [ "$type" != "$mimetype" ] || fail "map.prj, a GIS projection file, taken for a project"
    # Without the installed type the project is plain text: the check above is the prefix's doing.
    type=$(filetype "$work/nothing" "$work/files/hall.prj")
    [ "$type" != "$mimetype" ] || fail "hall.prj has the type without the installation"

    # The menu entry is the default program for the type.
    if command -v update-desktop-database >/dev/null; then
        update-desktop-database "$prefix/share/applications"
        local default
        default=$(env -i PATH="$PATH" LC_ALL=C.UTF-8 HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" \
            XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_DIRS="$prefix/share:/usr/share" \
            xdg-mime query default "$mimetype")
        [ "$default" = "$id.desktop" ] || fail "default program for $mimetype: '$default'"
    fi
}

check_package() {
    if ! command -v cpack >/dev/null || ! command -v dpkg-deb >/dev/null || ! command -v dpkg-shlibdeps >/dev/null; then
        echo "cpack, dpkg-deb or dpkg-shlibdeps is missing: no package built" >&2
        exit 77
    fi
    [ -f "$build/CPackConfig.cmake" ] || { echo "no CPackConfig.cmake in $build" >&2; exit 1; }
    # gzip: quicker than the release's xz, and the same files.
    (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" \
        -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >"$work/cpack.log" 2>&1) \
        || { cat "$work/cpack.log" >&2; exit 1; }
    local deb
    deb=$(ls "$work"/package/*.deb)
    dpkg-deb -c "$deb" | awk '{ $1=$2=$3=$4=$5=""; sub(/^ +/, ""); print }' \
        | grep -v '/$' | sed 's|^\./usr/||; s| -> .*||' | LC_ALL=C sort >"$work/found"
    expected_files | LC_ALL=C sort >"$work/expected"
    diff -u "$work/expected" "$work/found" || fail "the package's files differ from the list (- missing, + unexpected)"
    [ "$(dpkg-deb -f "$deb" Package)" = zor-position ] || fail "package name"
    local depends
    depends=$(dpkg-deb -f "$deb" Depends)
    for library in libc6 libstdc++6 libqt5core5a libqt5gui5 libqt5widgets5 libqt5printsupport5; do
        echo "$depends" | grep -q "\b$library\b" || fail "Depends lacks $library: $depends"
    done
    echo "$(basename "$deb"): Depends: $depends"
}

case $part in
    tree) check_tree ;;
    validate) check_validate ;;
    mime) check_mime ;;
    package) check_package ;;
    *) echo "usage: check.sh tree|validate|mime|package <build dir> <source dir>" >&2; exit 2 ;;
esac
if [ "$failures" -ne 0 ]; then
    echo "$part: $failures failed" >&2
    exit 1
fi
echo "$part: passed"
