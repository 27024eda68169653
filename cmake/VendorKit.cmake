# What a vendor sets for its own Setup.exe: the names and version of the
# version block, the icon, the Authenticode signature, and the build-time
# check of the two programs. Every setting is a cache variable, or a line of
# the vendor file; the defaults build the project's own unsigned Setup.exe.

# Every setting the kit knows: any other SETUP_* value stops the configure
# step, so that a misspelt one cannot pass unnoticed.
set(VENDOR_KIT_SETTINGS
  SETUP_VENDOR_FILE SETUP_INSTALLER_PROGRAM SETUP_UNINSTALLER_PROGRAM
  SETUP_COMPANY_NAME SETUP_PRODUCT_NAME SETUP_LEGAL_COPYRIGHT SETUP_PRODUCT_URL SETUP_PRODUCT_VERSION
  SETUP_ICON SETUP_SIGN_PKCS12 SETUP_SIGN_PASSWORD_FILE SETUP_SIGN_TIMESTAMP_URL
  SETUP_CHECK_PROGRAMS)

# unknown_settings(<name>...): stops naming each unknown name and the known
# setting closest to it.
function(unknown_settings)
  list(JOIN VENDOR_KIT_SETTINGS "," known)
  execute_process(COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/vendor_settings.py ${known} ${ARGN}
                  OUTPUT_VARIABLE said OUTPUT_STRIP_TRAILING_WHITESPACE)
  message(FATAL_ERROR "${said}")
endfunction()

# The vendor file: the whole product in one CMake file of
# set(SETUP_... value) lines, read on every configure. Its values win over
# the cache. Every SETUP_* name it sets is collected by shadowing all of them
# with a marker first, so a plain set() is seen as well as a known name.
set(SETUP_VENDOR_FILE "" CACHE FILEPATH "The product described in one file of set(SETUP_... value) lines")
function(read_vendor_file file)
  if(NOT EXISTS "${file}" OR IS_DIRECTORY "${file}")
    message(FATAL_ERROR "SETUP_VENDOR_FILE: vendor file '${file}' does not exist")
  endif()
  set(_vendor_marker "not set by the vendor file 2c7f0e")
  get_cmake_property(_vendor_names VARIABLES)
  list(FILTER _vendor_names INCLUDE REGEX "^SETUP_")
  foreach(_vendor_name IN LISTS _vendor_names)
    set(${_vendor_name} "${_vendor_marker}")
  endforeach()
  include("${file}")
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
  get_cmake_property(_vendor_names VARIABLES)
  list(FILTER _vendor_names INCLUDE REGEX "^SETUP_")
  set(_vendor_unknown "")
  foreach(_vendor_name IN LISTS _vendor_names)
    if(NOT "${${_vendor_name}}" STREQUAL _vendor_marker)
      if(_vendor_name IN_LIST VENDOR_KIT_SETTINGS AND NOT _vendor_name STREQUAL "SETUP_VENDOR_FILE")
        set(${_vendor_name} "${${_vendor_name}}" PARENT_SCOPE)
      else()
        list(APPEND _vendor_unknown ${_vendor_name})
      endif()
    endif()
  endforeach()
  if(_vendor_unknown)
    unknown_settings(${_vendor_unknown})
  endif()
endfunction()
if(SETUP_VENDOR_FILE)
  read_vendor_file("${SETUP_VENDOR_FILE}")
endif()

# A -D of a name the kit does not know lands in the cache unused.
get_cmake_property(given CACHE_VARIABLES)
list(FILTER given INCLUDE REGEX "^SETUP_")
list(REMOVE_ITEM given ${VENDOR_KIT_SETTINGS})
if(given)
  unknown_settings(${given})
endif()

set(SETUP_COMPANY_NAME "Quelt Software" CACHE STRING "CompanyName of the version block (UTF-8)")
set(SETUP_PRODUCT_NAME "Quelt Setup" CACHE STRING "ProductName of the version block, and the signature's description (UTF-8)")
set(SETUP_LEGAL_COPYRIGHT "Copyright © 2024 Quelt Software" CACHE STRING "LegalCopyright of the version block (UTF-8)")
set(SETUP_PRODUCT_URL "" CACHE STRING "Web address the signature names (optional)")
set(SETUP_PRODUCT_VERSION "" CACHE STRING "File and product version, up to four numbers (empty: 1.0)")
set(SETUP_ICON "" CACHE FILEPATH "Application icon (.ico): five 32-bit images of 64, 48, 32, 24 and 16 pixels (empty: the drawn icon)")
set(SETUP_SIGN_PKCS12 "" CACHE FILEPATH "Code signing certificate with its private key (.p12/.pfx); empty: unsigned")
set(SETUP_SIGN_PASSWORD_FILE "" CACHE FILEPATH "File whose first line is the certificate's password")
set(SETUP_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time stamp server for the signature (optional)")
option(SETUP_CHECK_PROGRAMS "Check at build time that both programs honour Setup.exe's contract" ON)

# configure_check(<command>...): runs a check of the settings now; what it
# says on failure stops the configure step.
function(configure_check)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result ERROR_VARIABLE said ERROR_STRIP_TRAILING_WHITESPACE)
  if(result)
    message(FATAL_ERROR "${said}")
  endif()
endfunction()

# Names: checked, and written as a header that res/version.rc includes.
set(SETUP_VENDOR_DIR ${CMAKE_BINARY_DIR}/vendor)
file(MAKE_DIRECTORY ${SETUP_VENDOR_DIR})
foreach(var SETUP_COMPANY_NAME SETUP_PRODUCT_NAME SETUP_LEGAL_COPYRIGHT SETUP_PRODUCT_VERSION)
  file(WRITE ${SETUP_VENDOR_DIR}/${var}.txt "${${var}}")
endforeach()
configure_check(${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/version_names.py ${SETUP_VENDOR_DIR})
set(SETUP_VERSION_NAMES ${SETUP_VENDOR_DIR}/version_names.h)

# The icon: the vendor's, checked now and put in the group's order at build
# time, or the one a script of ours draws.
set(SETUP_ICON_DIR ${CMAKE_BINARY_DIR}/icon)
set(SETUP_ICON_FILE ${SETUP_ICON_DIR}/setup.ico)
if(SETUP_ICON)
  if(NOT EXISTS "${SETUP_ICON}" OR IS_DIRECTORY "${SETUP_ICON}")
    message(FATAL_ERROR "SETUP_ICON: icon file '${SETUP_ICON}' does not exist")
  endif()
  configure_check(${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/check_icon.py ${SETUP_ICON})
  add_custom_command(OUTPUT ${SETUP_ICON_FILE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SETUP_ICON_DIR}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/check_icon.py ${SETUP_ICON} ${SETUP_ICON_FILE}
    DEPENDS ${SETUP_ICON} ${CMAKE_SOURCE_DIR}/tools/check_icon.py
    COMMENT "Taking the application icon from ${SETUP_ICON}"
    VERBATIM)
else()
  add_custom_command(OUTPUT ${SETUP_ICON_FILE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SETUP_ICON_DIR}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/make_icon.py ${SETUP_ICON_FILE}
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/make_icon.py
    COMMENT "Drawing the application icon"
    VERBATIM)
endif()
add_custom_target(setup_icon DEPENDS ${SETUP_ICON_FILE})

# Signing inputs are checked now, so that a wrong file or password stops the
# configure step rather than a long build.
set(SETUP_SIGN_SCRIPT ${CMAKE_SOURCE_DIR}/scripts/sign-setup.sh)
if(SETUP_SIGN_PKCS12)
  # An unset password file passes on as no argument at all.
  configure_check(bash ${SETUP_SIGN_SCRIPT} check ${SETUP_SIGN_PKCS12} ${SETUP_SIGN_PASSWORD_FILE})
elseif(SETUP_SIGN_PASSWORD_FILE OR SETUP_SIGN_TIMESTAMP_URL)
  message(FATAL_ERROR "SETUP_SIGN_PKCS12 is not set: a password file or time stamp server signs nothing without a certificate")
endif()

# setup_signing(<linked target> <output file>): with a certificate, the linked
# program is signed into <output file>, which only a verified signed file ever
# gets; without one, the target links to that name itself. Sets
# SETUP_PROGRAM_TARGET to the target that yields the finished file.
function(setup_signing target output)
  get_filename_component(output_dir ${output} DIRECTORY)
  if(NOT SETUP_SIGN_PKCS12)
    set(SETUP_PROGRAM_TARGET ${target} PARENT_SCOPE)
    return()
  endif()
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/unsigned)
  add_custom_command(OUTPUT ${output}
    COMMAND bash ${SETUP_SIGN_SCRIPT} sign $<TARGET_FILE:${target}> ${output}
            ${SETUP_SIGN_PKCS12} ${SETUP_SIGN_PASSWORD_FILE}
            "${SETUP_PRODUCT_NAME}" "${SETUP_PRODUCT_URL}" "${SETUP_SIGN_TIMESTAMP_URL}"
    DEPENDS ${target} ${SETUP_SIGN_SCRIPT} ${SETUP_SIGN_PKCS12} ${SETUP_SIGN_PASSWORD_FILE}
    COMMENT "Signing ${output}"
    VERBATIM)
  add_custom_target(${target}_signed ALL DEPENDS ${output})
  set(SETUP_PROGRAM_TARGET ${target}_signed PARENT_SCOPE)
endfunction()

# sign_carried_program(<program var> <depends var> <name>): with a
# certificate, the program Setup.exe carries as <name> is signed the way
# Setup.exe is (or keeps a signature of its own that verifies) before it is
# checked and packed, and the two variables name the signed copy. Windows
# judges each program on its own signature once Setup.exe has written it out.
function(sign_carried_program program_var depends_var name)
  if(NOT SETUP_SIGN_PKCS12)
    return()
  endif()
  set(output ${CMAKE_BINARY_DIR}/carried/${name})
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/carried
    COMMAND bash ${SETUP_SIGN_SCRIPT} carry ${${program_var}} ${output} ${CMAKE_BINARY_DIR}/bin/Setup.exe
            ${SETUP_SIGN_PKCS12} ${SETUP_SIGN_PASSWORD_FILE}
            "${SETUP_PRODUCT_NAME}" "${SETUP_PRODUCT_URL}" "${SETUP_SIGN_TIMESTAMP_URL}"
    DEPENDS ${${depends_var}} ${SETUP_SIGN_SCRIPT} ${SETUP_SIGN_PKCS12} ${SETUP_SIGN_PASSWORD_FILE}
    COMMENT "Signing ${name} for Setup.exe to carry"
    VERBATIM)
  set(${program_var} ${output} PARENT_SCOPE)
  set(${depends_var} ${output} PARENT_SCOPE)
endfunction()

# check_setup_programs(<target> <installer> <installer depends> <uninstaller>
#                      <uninstaller depends>): <target> is built only after
# both programs passed the check.
function(check_setup_programs target installer installer_depends uninstaller uninstaller_depends)
  if(NOT SETUP_CHECK_PROGRAMS)
    return()
  endif()
  set(stamp ${CMAKE_BINARY_DIR}/program-checks/checked.txt)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/program-checks
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/check_programs.py
            --root ${CMAKE_SOURCE_DIR} --build ${CMAKE_BINARY_DIR} --checker $<TARGET_FILE:check_uninstaller>
            --installer ${installer} --uninstaller ${uninstaller} --stamp ${stamp}
            --signer ${SETUP_SIGN_SCRIPT}
    DEPENDS check_uninstaller ${installer_depends} ${uninstaller_depends}
            ${CMAKE_SOURCE_DIR}/tools/check_programs.py ${CMAKE_SOURCE_DIR}/tools/pe_file.py
            ${SETUP_SIGN_SCRIPT}
    COMMENT "Checking the installer wizard and the uninstaller (-DSETUP_CHECK_PROGRAMS=OFF skips this)"
    USES_TERMINAL
    VERBATIM)
  add_custom_target(program_checks DEPENDS ${stamp})
  add_dependencies(${target} program_checks)
endfunction()
