#!/usr/bin/env bash
# Installs the Debian packages the build, the tests (pdftotext reads the PDF pages back) and
# `make run` need, if any is missing.
set -eu
packages=(
    cmake g++ make pkg-config
    qtbase5-dev qtbase5-dev-tools libqt5svg5-dev qt5-image-formats-plugins qtpdf5-dev qttranslations5-l10n
    libbenchmark-dev libpolyclipping-dev zlib1g-dev libdeflate-dev libjemalloc-dev
    fontconfig fonts-dejavu-core fonts-liberation
    xvfb xauth poppler-utils
    python3
    clang libclang-rt-14-dev
    locales
    dpkg-dev
    desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
