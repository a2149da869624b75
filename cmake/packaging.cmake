# What the build gives beyond the program: the icon's generator, the Windows
# resources, the install rules, the packages CPack makes, and their checks.
set(FRACTALS_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)

# Renders the frame the icon is made from (scripts/make-icon.sh), with the
# program's own modules on the in-memory window system.
if(FRACTALS_OS STREQUAL "linux" AND NOT FRACTALS_SANITIZE)
  add_executable(icon_frame ${FRACTALS_PACKAGING}/icon/icon_frame.cpp)
  fractals_link(icon_frame platform_memory)
endif()

# The installer's upgrade code stays the product's for good: a later version
# with the same code replaces an installed one.
set(FRACTALS_UPGRADE_CODE 6B0E54A1-7E2C-4C5B-9A3F-2D8C1F4E7A90)
# Four numbers, as Windows versions are.
set(FRACTALS_VERSION_4 ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
if(PROJECT_VERSION_TWEAK)
  set(FRACTALS_VERSION_4 ${PROJECT_VERSION})
endif()
string(REPLACE "." "," FRACTALS_VERSION_COMMAS ${FRACTALS_VERSION_4})

include(GNUInstallDirs)

if(FRACTALS_BUILD_PROGRAM AND FRACTALS_OS STREQUAL "windows")
  # The icon, the version and the manifest, compiled by windres outside the
  # C++ flags (they are no options of windres) and linked into the .exe.
  set(FRACTALS_ICO ${FRACTALS_PACKAGING}/icon/fractals.ico)
  set(FRACTALS_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/packaging/fractals.manifest)
  configure_file(${FRACTALS_PACKAGING}/windows/fractals.manifest.in ${FRACTALS_MANIFEST} @ONLY)
  configure_file(${FRACTALS_PACKAGING}/windows/fractals.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/packaging/fractals.rc @ONLY)
  if(NOT CMAKE_RC_COMPILER)
    find_program(CMAKE_RC_COMPILER NAMES x86_64-w64-mingw32-windres windres REQUIRED)
  endif()
  set(resources ${CMAKE_CURRENT_BINARY_DIR}/packaging/fractals_rc.o)
  add_custom_command(
    OUTPUT ${resources}
    COMMAND ${CMAKE_RC_COMPILER} -O coff ${CMAKE_CURRENT_BINARY_DIR}/packaging/fractals.rc
            ${resources}
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/packaging/fractals.rc ${FRACTALS_MANIFEST} ${FRACTALS_ICO}
    COMMENT "Compiling the resources of fractals.exe")
  set_source_files_properties(${resources} PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)
  target_sources(fractals PRIVATE ${resources})

  # The zip: fractals.exe, README and LICENSE side by side.
  install(TARGETS fractals RUNTIME DESTINATION .)
  install(FILES README.md LICENSE DESTINATION .)
elseif(FRACTALS_BUILD_PROGRAM AND FRACTALS_OS STREQUAL "linux")
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/packaging)
  configure_file(${FRACTALS_PACKAGING}/linux/fractals.desktop.in
                 ${generated}/${FRACTALS_APP_ID}.desktop @ONLY)
  configure_file(${FRACTALS_PACKAGING}/linux/fractals.metainfo.xml.in
                 ${generated}/${FRACTALS_APP_ID}.metainfo.xml @ONLY)
  configure_file(${FRACTALS_PACKAGING}/linux/fractals.1.in ${generated}/fractals.1 @ONLY)
  # Debian wants the change log and the manual page compressed, without a
  # time stamp.
  add_custom_command(
    OUTPUT ${generated}/changelog.gz ${generated}/fractals.1.gz
    COMMAND gzip -9nc ${FRACTALS_PACKAGING}/linux/changelog > ${generated}/changelog.gz
    COMMAND gzip -9nc ${generated}/fractals.1 > ${generated}/fractals.1.gz
    DEPENDS ${FRACTALS_PACKAGING}/linux/changelog ${generated}/fractals.1)
  add_custom_target(fractals_compressed_docs ALL
                    DEPENDS ${generated}/changelog.gz ${generated}/fractals.1.gz)

  install(TARGETS fractals RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${generated}/fractals.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${generated}/${FRACTALS_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${generated}/${FRACTALS_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${FRACTALS_PACKAGING}/icon/fractals-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME fractals.png)
  endforeach()
  install(FILES README.md LICENSE ${FRACTALS_PACKAGING}/linux/copyright ${generated}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(DIRECTORY docs DESTINATION ${CMAKE_INSTALL_DOCDIR})
elseif(FRACTALS_BUILD_PROGRAM AND FRACTALS_OS STREQUAL "web" AND FRACTALS_WEB_THREADS)
  # Exactly the files a host serves, and so what the site archive holds: the
  # page and everything it loads, both builds of the program flat in one
  # folder (the build without threads is made into the threaded build's
  # folder). A file the page comes to load needs its install rule here; the
  # test page and its hooks are not served.
  get_target_property(page_folder fractals BINARY_DIR)
  install(FILES ${page_folder}/index.html ${page_folder}/page.js ${page_folder}/page.css
                ${page_folder}/loader.js
                ${page_folder}/fractals.js ${page_folder}/fractals.wasm
                ${page_folder}/fractals.worker.js
                ${page_folder}/fractals-nothreads.js ${page_folder}/fractals-nothreads.wasm
                ${page_folder}/touch_keys.js ${page_folder}/fullscreen.js
                ${page_folder}/offline.js ${page_folder}/offline_worker.js
                ${page_folder}/manifest.webmanifest
          DESTINATION .)
  install(DIRECTORY ${page_folder}/icons DESTINATION .)
endif()

# cpack in the build folder: a .deb and an RPM on Linux; the zip and the
# installer (.msi) of the Windows build; the site archive of the page.
set(CPACK_PACKAGE_NAME fractals)
set(CPACK_PACKAGE_VENDOR "The Fractals authors")
set(CPACK_PACKAGE_CONTACT "Fractals maintainers <maintainers@users.noreply.c-seed-cd81d515.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Julia set as a cloud of points turning in a window")
set(CPACK_PACKAGE_DESCRIPTION
    "Fractals computes the filled Julia set of z^2 - c for c = 0.11 - 0.66i on a\n"
    "160 x 100 grid, turns it into a cloud of 16,000 points and turns the cloud\n"
    "in an 800 x 600 window with a 256-colour palette, one pixel at a time.\n"
    "The minus and equals keys zoom, Enter ends the program.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
# SHA256SUMS beside the packages, after each one cpack makes.
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package_checksums.cmake)
if(FRACTALS_OS STREQUAL "web")
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME fractals-${PROJECT_VERSION}-site)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_STRIP_FILES OFF)
elseif(FRACTALS_OS STREQUAL "windows")
  # wixl makes the installer (cmake/msi_package.cmake) from the files cpack
  # stages for it, the zip's three.
  set(CPACK_GENERATOR ZIP External)
  set(CPACK_PACKAGE_FILE_NAME fractals-${PROJECT_VERSION}-win64)
  set(CPACK_EXTERNAL_ENABLE_STAGING ON)
  set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${PROJECT_SOURCE_DIR}/cmake/msi_package.cmake)
  set(CPACK_FRACTALS_WXS ${FRACTALS_PACKAGING}/windows/fractals.wxs)
  set(CPACK_FRACTALS_ICO ${FRACTALS_PACKAGING}/icon/fractals.ico)
  set(CPACK_FRACTALS_UPGRADE_CODE ${FRACTALS_UPGRADE_CODE})
else()
  set(CPACK_GENERATOR DEB RPM)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # rpmbuild finds the libraries the program needs by itself.
  set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
  set(CPACK_RPM_PACKAGE_LICENSE MIT)
  set(CPACK_RPM_PACKAGE_AUTOREQPROV ON)
  set(CPACK_RPM_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
  # The .deb's files and no more: no /usr/lib/.build-id links.
  set(CPACK_RPM_SPEC_MORE_DEFINE
      "%define _build_id_links none\n%define packager ${CPACK_PACKAGE_CONTACT}")
  # The folders the system's own packages own; the RPM owns only its files.
  set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
      /usr/share/applications /usr/share/icons /usr/share/icons/hicolor /usr/share/man
      /usr/share/man/man1 /usr/share/metainfo)
  foreach(size 16 32 48 64 128 256)
    list(APPEND CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
         /usr/share/icons/hicolor/${size}x${size} /usr/share/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()
include(CPack)

# The checks run the packaged program on this machine and name the amd64
# package: not for the emulated ARM build.
if(BUILD_TESTING AND FRACTALS_BUILD_PROGRAM AND
   NOT (CMAKE_CROSSCOMPILING_EMULATOR AND FRACTALS_OS STREQUAL "linux"))
  add_subdirectory(tests/package)
endif()
