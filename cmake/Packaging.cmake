# `cpack` in the build folder makes a Debian package of what `cmake --install` installs. The
# shared libraries the program links decide most dependencies (dpkg-shlibdeps); the Qt platform
# plugins are loaded at run time, so they are named by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brw)
set(CPACK_PACKAGE_VENDOR "BRW developers")
set(CPACK_PACKAGE_CONTACT "BRW developers <brw@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keyboard-driven outliner for notes")
set(CPACK_PACKAGE_DESCRIPTION "\
BRW keeps a tree of named themes, each with a free-text description and a date,\n\
in one plain text file (.brw), and lets you edit, move, link and search them\n\
from the keyboard. An autosave copy and an emergency save keep every word;\n\
a reminder rings the tasks written in the tree.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
include(CPack)
