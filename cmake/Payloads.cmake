# The two payload records: each program compressed with zlib at the highest
# level, behind its 4-byte little-endian declared size.

set(SETUP_INSTALLER_PROGRAM "" CACHE FILEPATH
    "Installer wizard carried as VutSetup.exe (empty: the project's stand-in)")
set(SETUP_UNINSTALLER_PROGRAM "" CACHE FILEPATH
    "Uninstaller carried as VutUndo.exe (empty: the project's stand-in)")

foreach(var SETUP_INSTALLER_PROGRAM SETUP_UNINSTALLER_PROGRAM)
  if(${var})
    if(NOT EXISTS "${${var}}" OR IS_DIRECTORY "${${var}}")
      message(FATAL_ERROR "${var}: program '${${var}}' does not exist")
    endif()
    file(SIZE "${${var}}" program_size)
    if(program_size EQUAL 0)
      message(FATAL_ERROR "${var}: program '${${var}}' is empty")
    endif()
  endif()
endforeach()

set(PAYLOAD_RECORD_DIR ${CMAKE_BINARY_DIR}/payloads)
set(MAKE_PAYLOAD ${CMAKE_SOURCE_DIR}/tools/make_payload.py)

# make_payload_record(<output> <program file> [DEPENDS target])
function(make_payload_record output program)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  get_filename_component(record ${output} NAME)
  add_custom_command(OUTPUT ${output}
    COMMAND ${Python3_EXECUTABLE} ${MAKE_PAYLOAD} ${program} ${output}
    DEPENDS ${MAKE_PAYLOAD} ${ARG_DEPENDS}
    # (A build message shows no generator expression decoded: name the record.)
    COMMENT "Compressing the program of payload record ${record} (zlib, level 9)"
    VERBATIM)
endfunction()

if(SETUP_INSTALLER_PROGRAM)
  set(installer_program ${SETUP_INSTALLER_PROGRAM})
  set(installer_depends ${SETUP_INSTALLER_PROGRAM})
else()
  set(installer_program $<TARGET_FILE:vutsetup_standin>)
  set(installer_depends vutsetup_standin)
endif()
if(SETUP_UNINSTALLER_PROGRAM)
  set(uninstaller_program ${SETUP_UNINSTALLER_PROGRAM})
  set(uninstaller_depends ${SETUP_UNINSTALLER_PROGRAM})
else()
  set(uninstaller_program $<TARGET_FILE:vutundo_standin>)
  set(uninstaller_depends vutundo_standin)
endif()

# When signing, what is packed (and checked) is the signed copy.
set(installer_source ${installer_program})
set(uninstaller_source ${uninstaller_program})
sign_carried_program(installer_program installer_depends VutSetup.exe)
sign_carried_program(uninstaller_program uninstaller_depends VutUndo.exe)

make_payload_record(${PAYLOAD_RECORD_DIR}/installer.rec ${installer_program} DEPENDS ${installer_depends})
make_payload_record(${PAYLOAD_RECORD_DIR}/uninstaller.rec ${uninstaller_program} DEPENDS ${uninstaller_depends})
set(PAYLOAD_RECORDS ${PAYLOAD_RECORD_DIR}/installer.rec ${PAYLOAD_RECORD_DIR}/uninstaller.rec)
add_custom_target(payload_records DEPENDS ${PAYLOAD_RECORDS})
