# cmake --install: the three programs, the translation, the calibration scripts
# folder, the README; on Linux also the desktop entry, the icon in the hicolor
# theme and k7ctl's bash completion. CPack turns the same into a .deb.
#
# Unix layout: programs in bin/, shipped files in share/quorin/ (the program
# looks there beside its own folder, see src/app/data_folder.h). Windows keeps
# the portable layout: everything beside the executables.
include(GNUInstallDirs)
if(WIN32)
  set(ORVEX_INSTALL_SHAREDIR ${CMAKE_INSTALL_BINDIR})
  set(ORVEX_INSTALL_DOCDIR ${CMAKE_INSTALL_BINDIR})
else()
  set(ORVEX_INSTALL_SHAREDIR ${CMAKE_INSTALL_DATADIR}/quorin)
  set(ORVEX_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/quorin)
endif()

install(TARGETS quorin k7sim k7ctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/bin/quorin_en.qm DESTINATION ${ORVEX_INSTALL_SHAREDIR})
# The program copies these into the user's "calibr" folder when it cannot
# write its own; the calibration window runs the scripts directly, so they
# keep their execute bits.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/calibr/scripts/ DESTINATION ${ORVEX_INSTALL_SHAREDIR}/calibr
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
  FILES_MATCHING PATTERN "*.py" PATTERN "*.txt")
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${ORVEX_INSTALL_DOCDIR})

if(UNIX AND NOT APPLE)
  install(FILES ${PROJECT_SOURCE_DIR}/src/resources/quorin.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/src/resources/art/orvex.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME quorin.svg)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/k7ctl/k7ctl.bash-completion
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME k7ctl)
endif()

# The Debian package (cpack -G DEB from a Release build; scripts/package).
# Its dependencies come from the linked libraries (dpkg-shlibdeps): the Qt and
# Boost runtime libraries of whichever Qt major version the build uses; Qt SVG
# is named here.
set(CPACK_PACKAGE_NAME quorin)
set(CPACK_PACKAGE_VENDOR "Quorin")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Service and engineering tool for the K7D laser profile sensor")
set(CPACK_PACKAGE_DESCRIPTION "Quorin sets up, calibrates and diagnoses the K7D 2-D laser-triangulation
profile sensor, its calibration rig and extension boards. The package also
holds k7sim, the device simulator, and k7ctl, the command-line tool.")
set(CPACK_PACKAGE_CONTACT "Quorin developers <quorin@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The SVG icons load through Qt SVG's plugins, which no program links.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt${ORVEX_QT}svg${ORVEX_QT}")
# The calibration scripts run through python3; completion needs bash-completion.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3, bash-completion")
include(CPack)
