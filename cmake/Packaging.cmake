# Installation layout and the Debian package.
include(GNUInstallDirs)

if(TILLERY_BUILD_GUI)
  install(FILES ${PROJECT_SOURCE_DIR}/data/tillery.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/tillery.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

set(CPACK_PACKAGE_NAME "tillery")
set(CPACK_PACKAGE_VENDOR "Tillery")
set(CPACK_PACKAGE_CONTACT "Tillery maintainers <maintainers@tillery.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "List the storage devices recorded in Windows device-installation logs")
set(CPACK_PACKAGE_DESCRIPTION
    "Reads setupapi.log (Windows XP and Windows 2000 layouts) and writes its events as a
TAB-separated table, by default only the storage devices ever installed. A window and a
command-line front end share one engine.")
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_STRIP_FILES ON)
include(CPack)
