#!/usr/bin/env bash
# Shared by the installation tests, with the end-to-end tests' steps (fail, require...).
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib.sh"

# The files an installation holds, relative to its prefix, sorted.
expected_files()
{
    printf '%s\n' bin/brw share/applications/net.brambleweb.brw.desktop \
        share/brw/{keyhelp.txt,reminder.wav,sample.brw} \
        share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128}/apps/brw.png \
        share/icons/hicolor/scalable/apps/brw.svg share/man/man1/brw.1.gz \
        share/metainfo/net.brambleweb.brw.metainfo.xml share/mime/packages/brw.xml | LC_ALL=C sort
}
