# The release package: the setup program (NSIS) and the portable zip, in package/ of the build,
# made by scripts/package.sh after the program and its help file. Without makensis the program
# still builds; the package is then left out with a warning.
find_program(QUILLANT_MAKENSIS makensis)
if(NOT QUILLANT_MAKENSIS)
  message(WARNING "makensis was not found, so the setup program and the portable zip are not built: "
    "install the Debian package nsis (bash scripts/setup.sh does) and configure again")
  return()
endif()
find_program(QUILLANT_BASH bash REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(QUILLANT_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
set(QUILLANT_SETUP ${QUILLANT_PACKAGE_DIR}/Tarvo-Quillant-${PROJECT_VERSION}-setup.exe)
set(QUILLANT_PORTABLE_ZIP ${QUILLANT_PACKAGE_DIR}/Tarvo-Quillant-${PROJECT_VERSION}-portable.zip)
file(GLOB QUILLANT_SHIPPED_PROFILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/Profiles/*.ini)
# The phone page's built files, when there are any (npm run build in web/): the zip carries them.
file(GLOB_RECURSE QUILLANT_WEB_PAGE CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/web/dist/*)

add_custom_command(
  OUTPUT ${QUILLANT_SETUP} ${QUILLANT_PORTABLE_ZIP}
  COMMAND ${QUILLANT_BASH} ${CMAKE_SOURCE_DIR}/scripts/package.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION}
  DEPENDS Quillant ${QUILLANT_HELP_FILE} ${QUILLANT_SHIPPED_PROFILES} ${QUILLANT_WEB_PAGE}
    ${CMAKE_SOURCE_DIR}/scripts/package.sh ${CMAKE_SOURCE_DIR}/installer/Quillant.nsi
    ${CMAKE_SOURCE_DIR}/installer/make_zip.py ${CMAKE_SOURCE_DIR}/installer/README-Windows.txt
    ${CMAKE_SOURCE_DIR}/res/icons/quillant.ico
  COMMENT "Packaging Tarvo Quillant: setup program and portable zip"
  VERBATIM)
add_custom_target(QuillantPackage ALL DEPENDS ${QUILLANT_SETUP} ${QUILLANT_PORTABLE_ZIP})
