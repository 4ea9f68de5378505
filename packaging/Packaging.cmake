# Installing and packaging. `cmake --install` puts the program and its files in their standard
# places under the prefix; `make package` (CPack) builds a .deb from the same install, with
# its library dependencies worked out from the binaries by dpkg-shlibdeps.
include(GNUInstallDirs)

# The program finds its installed data relative to itself (src/res/InstallLayout), so a
# package unpacked anywhere still finds its help pages; it knows its build folder so that,
# run from there, it reads them from the sources instead.
file(RELATIVE_PATH brumble_data_from_program
  ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR})
target_compile_definitions(brumble_res PRIVATE
  BRUMBLE_BUILD_DIR="${CMAKE_BINARY_DIR}"
  BRUMBLE_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  BRUMBLE_DATA_FROM_PROGRAM="${brumble_data_from_program}")

set(brumble_packaging ${CMAKE_SOURCE_DIR}/packaging)
set(brumble_datadir ${CMAKE_INSTALL_DATADIR})
# Debian's name for the folder, not the project's capitalised one.
set(brumble_docdir ${CMAKE_INSTALL_DATADIR}/doc/brumble)

# Manual pages and the changelog are installed compressed, without a time stamp in the gzip
# header, so that the same sources give the same package.
set(brumble_compressed)
foreach(file brumble.1 brumble-demoworld.1 changelog)
  set(out ${CMAKE_BINARY_DIR}/packaging/${file}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND sh -c "gzip -9nc < \"$0\" > \"$1\"" ${brumble_packaging}/${file} ${out}
    DEPENDS ${brumble_packaging}/${file} VERBATIM)
  list(APPEND brumble_compressed ${out})
endforeach()
add_custom_target(brumble_install_files ALL DEPENDS ${brumble_compressed})

install(TARGETS brumble brumble-demoworld RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY src/res/help/ DESTINATION ${brumble_datadir}/brumble/help)
install(FILES src/res/brumble.desktop DESTINATION ${brumble_datadir}/applications)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES src/res/icons/brumble-${size}.png RENAME brumble.png
    DESTINATION ${brumble_datadir}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES src/res/icons/brumble.svg DESTINATION ${brumble_datadir}/icons/hicolor/scalable/apps)
install(FILES ${brumble_packaging}/org.brumble.brumble.metainfo.xml
  DESTINATION ${brumble_datadir}/metainfo)
install(FILES ${CMAKE_BINARY_DIR}/packaging/brumble.1.gz
  ${CMAKE_BINARY_DIR}/packaging/brumble-demoworld.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${brumble_packaging}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  DESTINATION ${brumble_docdir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brumble)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Brumble developers")
set(CPACK_PACKAGE_CONTACT "The Brumble developers <brumble@localhost.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: Qt's platform plugins (X11,
# Wayland), xdg-mime for the telnet: links, and the desktop's event sounds.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, sound-theme-freedesktop")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "client for text-based online games (MUDs, MUCKs, MUSHes)
Brumble is a desktop client for text-based multi-user games and chat
servers reached over plain TCP. Each connection gets its own window with
a scrollback and a command line. For every server it keeps aliases,
function-key and keypad commands, triggers with sounds, timed texts,
small scripts, coloured highlights, logs, and a window for the pictures
the server names.
.
The package includes brumble-demoworld, a tiny world to try it on.")
include(CPack)
