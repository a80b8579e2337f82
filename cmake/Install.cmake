# `cmake --install` makes one self-contained folder: the program and its tools at the top (the
# program finds its data folder and settings file beside itself), data/ with the grid and the bar
# when they have been prepared, and a desktop entry, its icons and the AppStream metainfo under
# share/. CPack packs that folder as a .tar.gz.

# The prepared data; a build that has not prepared it installs without it.
install(FILES ${CMAKE_BINARY_DIR}/data/ETOPO5.DOS ${CMAKE_BINARY_DIR}/data/P1.BMP
        DESTINATION data OPTIONAL)

install(FILES ${PROJECT_SOURCE_DIR}/resources/orandu.png
        DESTINATION share/icons/hicolor/64x64/apps)
foreach(size 48 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/orandu-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME orandu.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/orandu.svg DESTINATION share/icons/hicolor/scalable/apps)

# What software centres show: the screenshots are the README's, published under the home page.
set(ORANDU_APP_ID "org.example.orandu" CACHE STRING "The program's AppStream id (reverse DNS)")
set(ORANDU_HOMEPAGE_URL "https://orandu.example.org" CACHE STRING
    "The program's home page; the README's screenshots are published under its docs/")
set(ORANDU_RELEASE_DATE "2026-12-08")  # of PROJECT_VERSION: the two change together
configure_file(${PROJECT_SOURCE_DIR}/resources/orandu.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/${ORANDU_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/${ORANDU_APP_ID}.metainfo.xml DESTINATION share/metainfo)

# The desktop entry names the installed program by its absolute path, known only when installing
# (`--prefix` may change it). The folder CPack stages a package in is not where the program will
# live, so a packed entry names the program without a folder.
install(CODE "set(ORANDU_DESKTOP_TEMPLATE \"${PROJECT_SOURCE_DIR}/resources/orandu.desktop.in\")")
install(CODE [[
  if(CMAKE_INSTALL_PREFIX MATCHES "/_CPack_Packages/")
    set(ORANDU_DESKTOP_EXEC "orandu")
  else()
    # Quoted for the entry's Exec key: \ " ` $ are escaped for the command line and the
    # backslashes once more for the entry's string, and % is doubled.
    set(program "${CMAKE_INSTALL_PREFIX}/orandu")
    string(REPLACE "\\" "\\\\\\\\" program "${program}")
    string(REGEX REPLACE "([\"`$])" "\\\\\\\\\\1" program "${program}")
    string(REPLACE "%" "%%" program "${program}")
    set(ORANDU_DESKTOP_EXEC "\"${program}\"")
  endif()
  configure_file("${ORANDU_DESKTOP_TEMPLATE}"
                 "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications/orandu.desktop" @ONLY)
  message(STATUS "Installing: $ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications/orandu.desktop")
]])

set(CPACK_PACKAGE_NAME "Orandu")
set(CPACK_PACKAGE_VENDOR "Orandu")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "A desktop viewer of the ETOPO5 global relief grid")
set(CPACK_PACKAGE_FILE_NAME "orandu-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}")
set(CPACK_GENERATOR "TGZ")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)

if(ORANDU_BUILD_TESTS AND ORANDU_BUILD_UI AND ORANDU_BUILD_TOOLS)
  add_test(NAME install_layout
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/install/install_layout.sh
                   ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})
endif()
