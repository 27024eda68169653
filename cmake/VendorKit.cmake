# What a vendor sets for its own Setup.exe: the names and version of the
# version block, the icon, the Authenticode signature, and the build-time
# check of the two programs. Every setting is a cache variable, or a line of
# the vendor file; the defaults build the project's own unsigned Setup.exe.

# Every setting the kit knows: any other SETUP_* value stops the configure
# step, so that a misspelt one cannot pass unnoticed.
set(VENDOR_KIT_SETTINGS
  SETUP_VENDOR_FILE SETUP_INSTALLER_PROGRAM SETUP_UNINSTALLER_PROGRAM
  SETUP_COMPANY_NAME SETUP_PRODUCT_NAME SETUP_LEGAL_COPYRIGHT SETUP_PRODUCT_URL SETUP_PRODUCT_VERSION
  SETUP_ICON SETUP_REQUIRE_SIGNING
  SETUP_SIGN_PKCS12 SETUP_SIGN_PASSWORD_FILE
  SETUP_SIGN_PKCS11_MODULE SETUP_SIGN_KEY SETUP_SIGN_PIN_FILE
  SETUP_SIGN_COMMAND SETUP_SIGN_CERTS
  SETUP_SIGN_TIMESTAMP_URL SETUP_SIGN_TIMESTAMP_TIMEOUT
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
option(SETUP_REQUIRE_SIGNING "Stop the configure step when no signing setting is given" OFF)
set(SETUP_SIGN_PKCS12 "" CACHE FILEPATH "Code signing certificate with its private key (.p12/.pfx)")
set(SETUP_SIGN_PASSWORD_FILE "" CACHE FILEPATH "File whose first line is the certificate's password")
set(SETUP_SIGN_PKCS11_MODULE "" CACHE FILEPATH "PKCS#11 module of the token, HSM or signing service that holds the key")
set(SETUP_SIGN_KEY "" CACHE STRING "The signing key on the token, as a pkcs11: URI")
set(SETUP_SIGN_PIN_FILE "" CACHE FILEPATH "File whose first line is the token's PIN")
set(SETUP_SIGN_COMMAND "" CACHE STRING "Command that signs {in} into {out} (a signing service's client)")
set(SETUP_SIGN_CERTS "" CACHE FILEPATH "PEM file: the signing certificate and its chain (PKCS#11 and command signing)")
set(SETUP_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time stamp servers, separated by ';', tried in order (optional)")
set(SETUP_SIGN_TIMESTAMP_TIMEOUT 30 CACHE STRING "Seconds each time stamp server has to answer")
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

# Signing: with a .p12 file, with a key behind a PKCS#11 module (a token, an
# HSM or a signing service's module), or with a command of the vendor's. The
# settings reach the script as one file each in ${SETUP_SIGN_DIR}, rewritten
# only when they change: a pkcs11: URI holds ';', which a command line made
# by CMake would split, and a list of time stamp servers is one value.
set(SETUP_SIGN_SCRIPT ${CMAKE_SOURCE_DIR}/scripts/sign-setup.sh)
set(SETUP_SIGN_DIR ${CMAKE_BINARY_DIR}/vendor/signing)
set(SETUP_SIGNING "")
if(SETUP_SIGN_PKCS12)
  list(APPEND SETUP_SIGNING pkcs12)
endif()
if(SETUP_SIGN_PKCS11_MODULE OR SETUP_SIGN_KEY)
  list(APPEND SETUP_SIGNING pkcs11)
endif()
if(SETUP_SIGN_COMMAND)
  list(APPEND SETUP_SIGNING command)
endif()
list(LENGTH SETUP_SIGNING ways)
if(ways GREATER 1)
  message(FATAL_ERROR "Signing is set up more than one way (${SETUP_SIGNING}): give SETUP_SIGN_PKCS12, "
                      "or SETUP_SIGN_PKCS11_MODULE with SETUP_SIGN_KEY, or SETUP_SIGN_COMMAND")
endif()
if(NOT SETUP_SIGNING)
  if(SETUP_REQUIRE_SIGNING)
    message(FATAL_ERROR "SETUP_REQUIRE_SIGNING is on, but no signing setting is given: set SETUP_SIGN_PKCS12, "
                        "SETUP_SIGN_PKCS11_MODULE with SETUP_SIGN_KEY, or SETUP_SIGN_COMMAND")
  endif()
  foreach(var SETUP_SIGN_PASSWORD_FILE SETUP_SIGN_PIN_FILE SETUP_SIGN_CERTS SETUP_SIGN_TIMESTAMP_URL)
    if(${var})
      message(FATAL_ERROR "${var} is set, but no key is: it signs nothing without SETUP_SIGN_PKCS12, "
                          "SETUP_SIGN_PKCS11_MODULE with SETUP_SIGN_KEY, or SETUP_SIGN_COMMAND")
    endif()
  endforeach()
else()
  # 2.8 brought extract-data and attach-signature, which services that sign
  # a digest remotely document.
  find_program(OSSLSIGNCODE osslsigncode)
  if(OSSLSIGNCODE)
    execute_process(COMMAND ${OSSLSIGNCODE} --version OUTPUT_VARIABLE said ERROR_QUIET)
    string(REGEX MATCH "osslsigncode ([0-9.]+)" said "${said}")
    set(osslsigncode_version "${CMAKE_MATCH_1}")
  endif()
  if(NOT OSSLSIGNCODE OR osslsigncode_version VERSION_LESS 2.8)
    message(FATAL_ERROR "Signing needs osslsigncode 2.8 or later; this machine has "
                        "${osslsigncode_version}${OSSLSIGNCODE}. Debian 12 has it in bookworm-backports: "
                        "bash scripts/install-deps.sh adds that suite and installs it.")
  endif()
  if(NOT SETUP_SIGN_TIMESTAMP_TIMEOUT MATCHES "^[1-9][0-9]*$")
    message(FATAL_ERROR "SETUP_SIGN_TIMESTAMP_TIMEOUT: '${SETUP_SIGN_TIMESTAMP_TIMEOUT}' is not a number of seconds")
  endif()
  set(SETUP_SIGN_FILES "")
  foreach(var SETUP_SIGN_PKCS12 SETUP_SIGN_PASSWORD_FILE SETUP_SIGN_PKCS11_MODULE SETUP_SIGN_KEY
              SETUP_SIGN_PIN_FILE SETUP_SIGN_COMMAND SETUP_SIGN_CERTS SETUP_SIGN_TIMESTAMP_URL
              SETUP_SIGN_TIMESTAMP_TIMEOUT SETUP_PRODUCT_NAME SETUP_PRODUCT_URL)
    file(WRITE ${SETUP_SIGN_DIR}/new/${var} "${${var}}")
    configure_file(${SETUP_SIGN_DIR}/new/${var} ${SETUP_SIGN_DIR}/${var} COPYONLY)
    list(APPEND SETUP_SIGN_FILES ${SETUP_SIGN_DIR}/${var})
    # What signing reads: a changed certificate, key file or PIN signs again.
    if(var MATCHES "PKCS12|_FILE$|CERTS" AND ${var})
      list(APPEND SETUP_SIGN_FILES ${${var}})
    endif()
  endforeach()
  # Inputs are checked now (the token tried, the password or PIN used), so
  # that a wrong file or PIN stops the configure step rather than a long build.
  configure_check(bash ${SETUP_SIGN_SCRIPT} check ${SETUP_SIGN_DIR} ${CMAKE_BINARY_DIR}/vendor/probe)
endif()

# setup_signing(<linked target> <output file>): when signing, the linked
# program is signed into <output file>, which only a verified signed file ever
# gets; otherwise the target links to that name itself. Sets
# SETUP_PROGRAM_TARGET to the target that yields the finished file.
function(setup_signing target output)
  if(NOT SETUP_SIGNING)
    set(SETUP_PROGRAM_TARGET ${target} PARENT_SCOPE)
    return()
  endif()
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/unsigned)
  add_custom_command(OUTPUT ${output}
    COMMAND bash ${SETUP_SIGN_SCRIPT} sign $<TARGET_FILE:${target}> ${output} ${SETUP_SIGN_DIR}
    DEPENDS ${target} ${SETUP_SIGN_SCRIPT} ${SETUP_SIGN_FILES}
    COMMENT "Signing ${output}"
    VERBATIM)
  add_custom_target(${target}_signed ALL DEPENDS ${output})
  set(SETUP_PROGRAM_TARGET ${target}_signed PARENT_SCOPE)
endfunction()

# sign_carried_program(<program var> <depends var> <name>): when signing, the
# program Setup.exe carries as <name> is signed the way Setup.exe is (or
# keeps a signature of its own that verifies) before it is checked and
# packed, and the two variables name the signed copy. Windows judges each
# program on its own signature once Setup.exe has written it out.
function(sign_carried_program program_var depends_var name)
  if(NOT SETUP_SIGNING)
    return()
  endif()
  set(output ${CMAKE_BINARY_DIR}/carried/${name})
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/carried
    COMMAND bash ${SETUP_SIGN_SCRIPT} carry ${${program_var}} ${output} ${CMAKE_BINARY_DIR}/bin/Setup.exe
            ${SETUP_SIGN_DIR}
    DEPENDS ${${depends_var}} ${SETUP_SIGN_SCRIPT} ${SETUP_SIGN_FILES}
    COMMENT "Signing ${name} for Setup.exe to carry"
    VERBATIM)
  set(${program_var} ${output} PARENT_SCOPE)
  set(${depends_var} ${output} PARENT_SCOPE)
endfunction()

# setup_summary(<finished target> <Setup.exe> <installer source> <installer
# packed> <uninstaller source> <uninstaller packed>): Setup.json beside
# Setup.exe, for a vendor's CI: each file's size and SHA-256, its signer and
# time stamp, what was done to each carried program, and the warnings.
function(setup_summary target setup installer_source installer uninstaller_source uninstaller)
  get_filename_component(dir ${setup} DIRECTORY)
  set(summary ${dir}/Setup.json)
  set(checks "")
  set(checked "")
  if(SETUP_CHECK_PROGRAMS)
    set(checked ${CMAKE_BINARY_DIR}/program-checks/checked.txt)
    set(checks --checks ${checked})
  endif()
  add_custom_command(OUTPUT ${summary}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/build_summary.py --setup ${setup}
            --carried VutSetup.exe ${installer_source} ${installer}
            --carried VutUndo.exe ${uninstaller_source} ${uninstaller}
            --signing "${SETUP_SIGNING}" --version "${SETUP_PRODUCT_VERSION}" ${checks} --out ${summary}
    DEPENDS ${target} ${setup} ${installer} ${uninstaller} ${CMAKE_SOURCE_DIR}/tools/build_summary.py
            ${checked}
    COMMENT "Writing the build summary ${summary}"
    VERBATIM)
  add_custom_target(setup_summary ALL DEPENDS ${summary})
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
