# The HTML Help file: help/ compiled with chmcmd (package fp-utils) into Quillant.chm beside
# Quillant.exe, then checked (every context id of the configuration window has a pop-up text,
# every linked topic is inside the file) so that a missing topic fails the build.
find_program(QUILLANT_CHMCMD chmcmd)
find_program(QUILLANT_CHMLS chmls)
if(NOT QUILLANT_CHMCMD OR NOT QUILLANT_CHMLS)
  message(FATAL_ERROR "chmcmd and chmls, which build the help file, were not found: install the Debian package fp-utils (bash scripts/setup.sh does)")
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(QUILLANT_HELP_DIR ${CMAKE_SOURCE_DIR}/help)
set(QUILLANT_HELP_WORK ${CMAKE_BINARY_DIR}/help)
set(QUILLANT_HELP_FILE ${CMAKE_BINARY_DIR}/Quillant.chm)
file(GLOB QUILLANT_HELP_SOURCES CONFIGURE_DEPENDS
  ${QUILLANT_HELP_DIR}/*.hhp ${QUILLANT_HELP_DIR}/*.hhc ${QUILLANT_HELP_DIR}/*.hhk
  ${QUILLANT_HELP_DIR}/*.htm ${QUILLANT_HELP_DIR}/*.css ${QUILLANT_HELP_DIR}/*.txt)

file(MAKE_DIRECTORY ${QUILLANT_HELP_WORK})

# chmcmd writes into its working folder and reports some failures with exit code 0, so it runs in
# a folder of its own, the old file is removed first, and the check below fails when none was made.
add_custom_command(
  OUTPUT ${QUILLANT_HELP_FILE}
  COMMAND ${CMAKE_COMMAND} -E remove -f ${QUILLANT_HELP_WORK}/Quillant.chm ${QUILLANT_HELP_FILE}
  COMMAND ${QUILLANT_CHMCMD} --no-html-scan ${QUILLANT_HELP_DIR}/Quillant.hhp > ${QUILLANT_HELP_WORK}/chmcmd.log
  COMMAND ${Python3_EXECUTABLE} ${QUILLANT_HELP_DIR}/check_help.py ${QUILLANT_HELP_WORK}/Quillant.chm ${CMAKE_SOURCE_DIR}/res/resource.h
  COMMAND ${CMAKE_COMMAND} -E copy ${QUILLANT_HELP_WORK}/Quillant.chm ${QUILLANT_HELP_FILE}
  WORKING_DIRECTORY ${QUILLANT_HELP_WORK}
  DEPENDS ${QUILLANT_HELP_SOURCES} ${QUILLANT_HELP_DIR}/check_help.py ${CMAKE_SOURCE_DIR}/res/resource.h
  COMMENT "Compiling the help file Quillant.chm"
  VERBATIM)
add_custom_target(QuillantHelp ALL DEPENDS ${QUILLANT_HELP_FILE})
