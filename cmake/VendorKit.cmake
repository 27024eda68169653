# What a vendor sets for its own Setup.exe: the two programs, the names and
# version of the version block, the icon, the Authenticode signature, and
# the build-time check of the two programs. Read the same way by the
# developers' configure step (CMakeLists.txt) and, in script mode, by the
# kit's command (scripts/build-setup.sh), which gives VENDOR_KIT_ROOT (the kit
# or repository), VENDOR_KIT_OUT (the build folder), VENDOR_KIT_STANDINS (the
# folder of the stand-in programs) and VENDOR_KIT_STANDIN_ICON. Every setting
# is a cache variable, or a line of the vendor file; the defaults build the
# project's own unsigned Setup.exe. The settings land in one file each in
# ${VENDOR_KIT_OUT}/vendor/settings, which tools/make_setup.py reads.
if(CMAKE_SCRIPT_MODE_FILE)
  cmake_minimum_required(VERSION 3.25)
  set(Python3_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "Python interpreter that imports pefile")
endif()

# Every setting the kit knows: any other SETUP_* value stops the configure
# step, so that a misspelt one cannot pass unnoticed.
set(VENDOR_KIT_SETTINGS
  SETUP_VENDOR_FILE SETUP_INSTALLER_PROGRAM SETUP_UNINSTALLER_PROGRAM
  SETUP_COMPANY_NAME SETUP_PRODUCT_NAME SETUP_LEGAL_COPYRIGHT SETUP_PRODUCT_URL SETUP_PRODUCT_VERSION
  SETUP_ICON SETUP_REQUIRE_SIGNING
  SETUP_SIGN_PKCS12 SETUP_SIGN_PASSWORD_FILE
  SETUP_SIGN_PKCS11_MODULE SETUP_SIGN_KEY SETUP_SIGN_PIN_FILE
  SETUP_SIGN_COMMAND SETUP_SIGN_CERTS SETUP_SIGN_TRUSTED_ROOTS
  SETUP_SIGN_TIMESTAMP_URL SETUP_SIGN_TIMESTAMP_TIMEOUT
  SETUP_CHECK_PROGRAMS SETUP_WINGET_IDENTIFIER SETUP_WINGET_URL)

# unknown_settings(<name>...): stops naming each unknown name and the known
# setting closest to it.
function(unknown_settings)
  list(JOIN VENDOR_KIT_SETTINGS "," known)
  execute_process(COMMAND ${Python3_EXECUTABLE} ${VENDOR_KIT_ROOT}/tools/vendor_settings.py ${known} ${ARGN}
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
  if(NOT CMAKE_SCRIPT_MODE_FILE)
    set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
  endif()
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

set(SETUP_INSTALLER_PROGRAM "" CACHE FILEPATH
    "Installer wizard carried as VutSetup.exe (empty: the project's stand-in)")
set(SETUP_UNINSTALLER_PROGRAM "" CACHE FILEPATH
    "Uninstaller carried as VutUndo.exe (empty: the project's stand-in)")
set(SETUP_COMPANY_NAME "Quelt Software" CACHE STRING "CompanyName of the version block (UTF-8)")
set(SETUP_PRODUCT_NAME "Quelt Setup" CACHE STRING "ProductName of the version block, and the signature's description (UTF-8)")
set(SETUP_LEGAL_COPYRIGHT "Copyright © 2024 Quelt Software" CACHE STRING "LegalCopyright of the version block (UTF-8)")
set(SETUP_PRODUCT_URL "" CACHE STRING "Web address the signature names (optional)")
set(SETUP_PRODUCT_VERSION "" CACHE STRING "File and product version, up to four numbers (empty: 1.0)")
set(SETUP_ICON "" CACHE FILEPATH "Application icon (.ico): five 32-bit images of 64, 48, 32, 24 and 16 pixels (empty: the drawn icon)")
set(SETUP_WINGET_IDENTIFIER "" CACHE STRING "winget package identifier (Publisher.Product): writes Setup.winget.yaml")
set(SETUP_WINGET_URL "" CACHE STRING "Address Setup.exe is downloaded from, for the winget manifest")
option(SETUP_REQUIRE_SIGNING "Stop the configure step when no signing setting is given" OFF)
set(SETUP_SIGN_PKCS12 "" CACHE FILEPATH "Code signing certificate with its private key (.p12/.pfx)")
set(SETUP_SIGN_PASSWORD_FILE "" CACHE FILEPATH "File whose first line is the certificate's password")
set(SETUP_SIGN_PKCS11_MODULE "" CACHE FILEPATH "PKCS#11 module of the token, HSM or signing service that holds the key")
set(SETUP_SIGN_KEY "" CACHE STRING "The signing key on the token, as a pkcs11: URI")
set(SETUP_SIGN_PIN_FILE "" CACHE FILEPATH "File whose first line is the token's PIN")
set(SETUP_SIGN_COMMAND "" CACHE STRING "Command that signs {in} into {out} (a signing service's client)")
set(SETUP_SIGN_CERTS "" CACHE FILEPATH "PEM file: the signing certificate and its chain (PKCS#11 and command signing)")
set(SETUP_SIGN_TRUSTED_ROOTS "" CACHE FILEPATH
    "PEM file of the roots the kit's own signature checks trust (empty: only the given chain is verified against)")
set(SETUP_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time stamp servers, separated by ';', tried in order (optional)")
set(SETUP_SIGN_TIMESTAMP_TIMEOUT 30 CACHE STRING "Seconds each time stamp server has to answer")
set(SETUP_CHECK_PROGRAMS AUTO CACHE STRING
    "Check at build time that both programs honour Setup.exe's contract: AUTO where a 32-bit Wine can run the uninstaller, ON, OFF")
string(TOUPPER "${SETUP_CHECK_PROGRAMS}" SETUP_CHECK_PROGRAMS)
if(SETUP_CHECK_PROGRAMS MATCHES "^(1|YES|TRUE|Y)$")
  set(SETUP_CHECK_PROGRAMS ON)
elseif(SETUP_CHECK_PROGRAMS MATCHES "^(0|NO|FALSE|N)$")
  set(SETUP_CHECK_PROGRAMS OFF)
elseif(NOT SETUP_CHECK_PROGRAMS MATCHES "^(ON|OFF|AUTO)$")
  message(FATAL_ERROR "SETUP_CHECK_PROGRAMS: '${SETUP_CHECK_PROGRAMS}' is not AUTO, ON or OFF")
endif()

# configure_check(<command>...): runs a check of the settings now; what it
# says on failure stops the configure step.
function(configure_check)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result ERROR_VARIABLE said ERROR_STRIP_TRAILING_WHITESPACE)
  if(result)
    message(FATAL_ERROR "${said}")
  endif()
endfunction()

# The settings as the kit's step reads them: one file each, rewritten only
# when it changes, so that the developers' build redoes the step only then.
# (A pkcs11: URI holds ';', which a command line made by CMake would split,
# and a list of time stamp servers is one value.)
set(SETUP_SETTINGS_DIR ${VENDOR_KIT_OUT}/vendor/settings)
set(SETUP_SETTINGS_FILES "")
function(setting_file name value)
  file(WRITE ${SETUP_SETTINGS_DIR}/new/${name} "${value}")
  configure_file(${SETUP_SETTINGS_DIR}/new/${name} ${SETUP_SETTINGS_DIR}/${name} COPYONLY)
  set(SETUP_SETTINGS_FILES ${SETUP_SETTINGS_FILES} ${SETUP_SETTINGS_DIR}/${name} PARENT_SCOPE)
endfunction()

# The two programs: the vendor's, or the project's stand-ins.
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
set(SETUP_INSTALLER_FILE ${SETUP_INSTALLER_PROGRAM})
set(SETUP_UNINSTALLER_FILE ${SETUP_UNINSTALLER_PROGRAM})
if(NOT SETUP_INSTALLER_FILE)
  set(SETUP_INSTALLER_FILE ${VENDOR_KIT_STANDINS}/VutSetup.exe)
endif()
if(NOT SETUP_UNINSTALLER_FILE)
  set(SETUP_UNINSTALLER_FILE ${VENDOR_KIT_STANDINS}/VutUndo.exe)
endif()

# Names and version, checked now; the step makes the version block of them.
foreach(var SETUP_COMPANY_NAME SETUP_PRODUCT_NAME SETUP_LEGAL_COPYRIGHT SETUP_PRODUCT_VERSION)
  setting_file(${var} "${${var}}")
endforeach()
configure_check(${Python3_EXECUTABLE} ${VENDOR_KIT_ROOT}/tools/version_names.py ${SETUP_SETTINGS_DIR})

# The winget manifest's identifier and address, checked now.
foreach(var SETUP_WINGET_IDENTIFIER SETUP_WINGET_URL)
  setting_file(${var} "${${var}}")
endforeach()
configure_check(${Python3_EXECUTABLE} ${VENDOR_KIT_ROOT}/tools/winget_manifest.py ${SETUP_SETTINGS_DIR})

# The icon: the vendor's, checked now and put in the group's order by the
# step, or the stand-in one a script of ours draws.
if(SETUP_ICON)
  if(NOT EXISTS "${SETUP_ICON}" OR IS_DIRECTORY "${SETUP_ICON}")
    message(FATAL_ERROR "SETUP_ICON: icon file '${SETUP_ICON}' does not exist")
  endif()
  configure_check(${Python3_EXECUTABLE} ${VENDOR_KIT_ROOT}/tools/check_icon.py ${SETUP_ICON})
  set(SETUP_ICON_FILE ${SETUP_ICON})
else()
  set(SETUP_ICON_FILE ${VENDOR_KIT_STANDIN_ICON})
endif()
setting_file(SETUP_INSTALLER_FILE "${SETUP_INSTALLER_FILE}")
setting_file(SETUP_UNINSTALLER_FILE "${SETUP_UNINSTALLER_FILE}")
setting_file(SETUP_ICON_FILE "${SETUP_ICON_FILE}")
setting_file(SETUP_CHECK_PROGRAMS "${SETUP_CHECK_PROGRAMS}")

# The roots the kit's own signature checks trust: only those of this file,
# never the system's TLS roots, which are not the ones Windows trusts for code.
if(SETUP_SIGN_TRUSTED_ROOTS)
  if(NOT EXISTS "${SETUP_SIGN_TRUSTED_ROOTS}" OR IS_DIRECTORY "${SETUP_SIGN_TRUSTED_ROOTS}")
    message(FATAL_ERROR "SETUP_SIGN_TRUSTED_ROOTS: file of roots '${SETUP_SIGN_TRUSTED_ROOTS}' does not exist")
  endif()
  file(STRINGS "${SETUP_SIGN_TRUSTED_ROOTS}" roots REGEX "-----BEGIN CERTIFICATE-----")
  if(NOT roots)
    message(FATAL_ERROR "SETUP_SIGN_TRUSTED_ROOTS: '${SETUP_SIGN_TRUSTED_ROOTS}' holds no PEM certificate")
  endif()
endif()

# Signing: with a .p12 file, with a key behind a PKCS#11 module (a token, an
# HSM or a signing service's module), or with a command of the vendor's.
set(SETUP_SIGN_SCRIPT ${VENDOR_KIT_ROOT}/scripts/sign-setup.sh)
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
                        "${osslsigncode_version}${OSSLSIGNCODE}. Install it: package osslsigncode on Debian, "
                        "Ubuntu and Fedora (Debian 12 has it in bookworm-backports, which "
                        "scripts/install-deps.sh of the repository adds).")
  endif()
  if(NOT SETUP_SIGN_TIMESTAMP_TIMEOUT MATCHES "^[1-9][0-9]*$")
    message(FATAL_ERROR "SETUP_SIGN_TIMESTAMP_TIMEOUT: '${SETUP_SIGN_TIMESTAMP_TIMEOUT}' is not a number of seconds")
  endif()
endif()
# What signing and the checks read: a changed certificate, key file, PIN or
# file of roots makes the step run again.
set(SETUP_INPUT_FILES ${SETUP_INSTALLER_FILE} ${SETUP_UNINSTALLER_FILE} ${SETUP_ICON_FILE})
foreach(var SETUP_SIGN_PKCS12 SETUP_SIGN_PASSWORD_FILE SETUP_SIGN_PKCS11_MODULE SETUP_SIGN_KEY
            SETUP_SIGN_PIN_FILE SETUP_SIGN_COMMAND SETUP_SIGN_CERTS SETUP_SIGN_TRUSTED_ROOTS SETUP_SIGN_TIMESTAMP_URL
            SETUP_SIGN_TIMESTAMP_TIMEOUT SETUP_PRODUCT_URL)
  setting_file(${var} "${${var}}")
  if(var MATCHES "PKCS12|_FILE$|CERTS|ROOTS" AND ${var})
    list(APPEND SETUP_INPUT_FILES ${${var}})
  endif()
endforeach()
setting_file(SETUP_SIGNING "${SETUP_SIGNING}")
if(SETUP_SIGNING)
  # Inputs are checked now (the token tried, the password or PIN used), so
  # that a wrong file or PIN stops the configure step rather than a long build.
  configure_check(bash ${SETUP_SIGN_SCRIPT} check ${SETUP_SETTINGS_DIR} ${VENDOR_KIT_OUT}/vendor/probe)
endif()


# make_setup_exe(<core target> <checker target> <stand-in targets>...): the
# developers' build makes bin/Setup.exe, bin/Setup.json and the payload
# records through the kit's own step, from the core it linked. Sets
# SETUP_PROGRAM_TARGET, PAYLOAD_RECORD_DIR and PAYLOAD_RECORDS.
function(make_setup_exe core checker)
  set(bin ${CMAKE_BINARY_DIR}/bin)
  set(records ${CMAKE_BINARY_DIR}/payloads/installer.rec ${CMAKE_BINARY_DIR}/payloads/uninstaller.rec)
  file(GLOB step_tools ${CMAKE_SOURCE_DIR}/tools/*.py)
  add_custom_command(OUTPUT ${bin}/Setup.exe ${bin}/Setup.json ${records}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/make_setup.py --kit ${CMAKE_SOURCE_DIR}
            --core $<TARGET_FILE_DIR:${core}> --settings ${SETUP_SETTINGS_DIR} --out ${CMAKE_BINARY_DIR}
    DEPENDS ${core} ${checker} ${ARGN} ${SETUP_SETTINGS_FILES} ${SETUP_INPUT_FILES} ${step_tools}
            ${SETUP_SIGN_SCRIPT} ${CMAKE_SOURCE_DIR}/res/resource_ids.h ${CMAKE_SOURCE_DIR}/res/strings.rc
    COMMENT "Making Setup.exe from the core (the kit's step)"
    USES_TERMINAL
    VERBATIM)
  add_custom_target(setup_exe ALL DEPENDS ${bin}/Setup.exe ${bin}/Setup.json)
  set(SETUP_PROGRAM_TARGET setup_exe PARENT_SCOPE)
  set(PAYLOAD_RECORD_DIR ${CMAKE_BINARY_DIR}/payloads PARENT_SCOPE)
  set(PAYLOAD_RECORDS ${records} PARENT_SCOPE)
endfunction()
