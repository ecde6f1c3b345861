# Installs the programs with their desktop entry, file types and icons, and describes the Debian
# package that cpack -G DEB makes of them (scripts/package).
include(GNUInstallDirs)

set(lumetra_programs lumetra-sor rtu-sim)
if(TARGET lumetra-view)
    list(PREPEND lumetra_programs lumetra-view)
endif()
install(TARGETS ${lumetra_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(TARGET lumetra-view)
    set(packaging ${PROJECT_SOURCE_DIR}/packaging)
    # Where the viewer looks for them beside its own folder: ../share/lumetra-view/translations.
    install(FILES ${LUMETRA_QM_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/lumetra-view/translations)
    install(FILES ${packaging}/lumetra-view.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    # The file types; shared-mime-info's trigger rebuilds the database on install.
    install(FILES ${packaging}/lumetra-view.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
    install(FILES ${packaging}/icons/lumetra-view.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    file(GLOB type_icons ${packaging}/icons/application-x-*.svg)
    install(FILES ${type_icons}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes)
endif()

set(CPACK_PACKAGE_NAME lumetra-view)
set(CPACK_PACKAGE_VENDOR "Lumetra View developers")
set(CPACK_PACKAGE_CONTACT "Lumetra View developers <lumetra-view@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Viewer and editor for OTDR fibre traces")
set(CPACK_PACKAGE_DESCRIPTION
    "Opens Bellcore GR-196-CORE (.sor), SR-4731 (.tra) and Noyes M600 traces, overlays them, \
measures between two markers, edits key events, groups traces into projects, prints them, saves \
them in any of the three formats and collects new traces from a remote test unit over SMB. \
With the command-line tool lumetra-sor and rtu-sim, a stand-in for the remote test unit.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# dpkg-shlibdeps names the Qt, smbclient and C++ runtime packages the programs link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET lumetra-view)
    # DejaVu carries the Cyrillic glyphs of the interface, the Qt translations the Russian
    # texts of Qt's own dialogs; the rest is for the desktop.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, qt6-translations-l10n")
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
endif()
set(CPACK_GENERATOR DEB)
include(CPack)

# Makes the package from this build and runs the installed lumetra-sor from a scratch root.
option(LUMETRA_PACKAGE_TEST "Test the Debian package made from this build" OFF)
if(LUMETRA_PACKAGE_TEST AND LUMETRA_TESTS)
    add_test(NAME Package.InstalledSorVersion
             COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR}
                     -DVERSION=${PROJECT_VERSION} -DGUI=${LUMETRA_GUI}
                     -P ${PROJECT_SOURCE_DIR}/cmake/PackageTest.cmake)
    set_tests_properties(Package.InstalledSorVersion PROPERTIES TIMEOUT 300)
endif()
