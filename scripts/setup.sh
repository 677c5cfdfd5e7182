#!/usr/bin/env bash
# Installs what the build and the tests need from Debian packages, and the packages named as
# arguments (scripts/coverage.sh adds gcovr). Quick when all is there.
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev qt6-base-dev qt6-multimedia-dev libgl-dev
          xvfb xdotool x11-utils libx11-dev
          desktop-file-utils appstream libxml2-utils shared-mime-info man-db dpkg-dev debootstrap
          poppler-utils "$@")
# A PDF shows only the glyphs the machine's fonts have: Chinese, Japanese and Korean names need a
# CJK font and emoji a font that draws them as outlines (a colour bitmap font cannot be embedded).
# These two are small (5 and 3 MB installed) against the full CJK family's 90 MB.
packages+=(fonts-wqy-microhei fonts-symbola)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    echo "Installing: ${missing[*]}"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
