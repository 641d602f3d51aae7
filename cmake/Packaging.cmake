# What the packages hold, made by `cpack` in a build tree (scripts/package):
# on Windows a zip of the portable programs, on Linux a Debian package. The
# version is the project's.
include_guard(GLOBAL)
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME kvx-rescue)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Gets KVX recordings back from an SD card, reading it strictly read-only")
set(CPACK_PACKAGE_CONTACT "KVX card rescue developers <kvx@localhost>")
# The build keeps its debug information; the packaged programs do not.
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # One flat folder: the window, the CLI and how to start them.
  install(TARGETS kvx-rescue-cli RUNTIME DESTINATION .)
  if(TARGET kvx-rescue)
    install(TARGETS kvx-rescue RUNTIME DESTINATION .)
  endif()
  configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/README.txt.in ${PROJECT_BINARY_DIR}/README.txt
                 @ONLY NEWLINE_STYLE WIN32)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME kvx-rescue-${PROJECT_VERSION}-windows-x64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  install(TARGETS kvx-rescue-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(TARGET kvx-rescue)
    install(TARGETS kvx-rescue RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/linux/kvx-rescue.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/src/ui/resources/kvx-rescue.xpm
            DESTINATION ${CMAKE_INSTALL_DATADIR}/pixmaps)
  endif()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  # Dependencies are what dpkg-shlibdeps finds the programs linked against.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
