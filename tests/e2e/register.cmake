# End-to-end tests: the Windows build run under Wine, driven by the phone
# simulator over a pty pair. Included by the native configure when
# QUILLANT_E2E is ON; QUILLANT_WINDOWS_BUILD names the folder with
# Quillant.exe and wintool.exe.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# The modem-line shim that lets a pty stand in for a serial port (LD_PRELOAD
# into wine only).
add_library(modemshim MODULE ${CMAKE_CURRENT_LIST_DIR}/modemshim.c)
target_link_libraries(modemshim PRIVATE ${CMAKE_DL_LIBS})
set_target_properties(modemshim PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

set(QUILLANT_E2E_DIR ${CMAKE_CURRENT_LIST_DIR})
set(QUILLANT_E2E_TEMPLATE ${CMAKE_BINARY_DIR}/wine-template)
set(QUILLANT_E2E_ENV
  QUILLANT_WINDOWS_BUILD=${QUILLANT_WINDOWS_BUILD}
  QUILLANT_MODEMSHIM=$<TARGET_FILE:modemshim>
  QUILLANT_E2E_TEMPLATE=${QUILLANT_E2E_TEMPLATE}
  PYTHONDONTWRITEBYTECODE=1)

# One template prefix per run, copied by every test; removed at the end.
add_test(NAME e2e_template
  COMMAND ${Python3_EXECUTABLE} ${QUILLANT_E2E_DIR}/harness.py make-template ${QUILLANT_E2E_TEMPLATE})
add_test(NAME e2e_template_cleanup
  COMMAND ${Python3_EXECUTABLE} ${QUILLANT_E2E_DIR}/harness.py remove-template ${QUILLANT_E2E_TEMPLATE})
set_tests_properties(e2e_template PROPERTIES FIXTURES_SETUP quillant_wine TIMEOUT 900 RUN_SERIAL ON
  ENVIRONMENT "${QUILLANT_E2E_ENV}")
set_tests_properties(e2e_template_cleanup PROPERTIES FIXTURES_CLEANUP quillant_wine TIMEOUT 300 RUN_SERIAL ON
  ENVIRONMENT "${QUILLANT_E2E_ENV}")

# Tests that need no Wine (the simulator's codec, the shim on a bare pty, the help file, the package,
# the phone page without a server).
set(QUILLANT_E2E_OFFLINE test_phonesim test_modemshim test_helpfile test_package test_web_offline)

file(GLOB QUILLANT_E2E_TESTS CONFIGURE_DEPENDS ${QUILLANT_E2E_DIR}/test_*.py)
foreach(test_file ${QUILLANT_E2E_TESTS})
  get_filename_component(module ${test_file} NAME_WE)
  string(REGEX REPLACE "^test_" "e2e_" test_name ${module})
  add_test(NAME ${test_name}
    COMMAND ${Python3_EXECUTABLE} -m unittest -v ${module}
    WORKING_DIRECTORY ${QUILLANT_E2E_DIR})
  if(module IN_LIST QUILLANT_E2E_OFFLINE)
    set_tests_properties(${test_name} PROPERTIES TIMEOUT 120 ENVIRONMENT "${QUILLANT_E2E_ENV}")
  else()
    # Wine is heavy on 2 cores: one server at a time, generous time.
    set_tests_properties(${test_name} PROPERTIES FIXTURES_REQUIRED quillant_wine RUN_SERIAL ON
      TIMEOUT 900 ENVIRONMENT "${QUILLANT_E2E_ENV}")
  endif()
endforeach()
