# The vendor kit's tests: configure checks of the names, the icon, the
# signing inputs and unknown settings, a build of the vendor file signed
# through a SoftHSM2 token, time-stamped, read back and run (the time stamp
# authority listens on 127.0.0.1 alone, for the test's lifetime at most), a
# .p12 file and a signing command signing the same tree, and the program
# check stopping or warning; the prebuilt kit in a Debian 13 root file
# system used by a user who is not root, under /tmp, and without a tool it
# needs. They configure
# and build trees of their own under <build>/vendor-tests, and run Windows
# programs where this machine runs the build's (in the main build's prefix,
# one job at a time).

add_library(vendor_helper SHARED ${CMAKE_CURRENT_LIST_DIR}/programs/VendorHelper.cpp)
set_target_properties(vendor_helper PROPERTIES PREFIX "" OUTPUT_NAME vendorhelper)
add_executable(wizard_with_helper WIN32 ${CMAKE_CURRENT_LIST_DIR}/programs/WizardWithHelper.cpp)
target_link_libraries(wizard_with_helper PRIVATE vendor_helper)

find_program(OPENSSL_PROGRAM openssl)
set(vendor_test_env
  "SETUP_VENDOR_TEST_ROOT=${CMAKE_SOURCE_DIR}"
  "SETUP_VENDOR_TEST_BUILD=${CMAKE_BINARY_DIR}"
  "SETUP_VENDOR_TEST_TOOLCHAIN=${CMAKE_TOOLCHAIN_FILE}"
  "SETUP_VENDOR_TEST_BOOST=${BOOST_FILESYSTEM_SOURCE_DIR}"
  # The trees' Windows programs run in this build's prefix and emulated machine.
  "SETUP_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix"
  "SETUP_VM_DIR=${CMAKE_BINARY_DIR}/vm"
  "PYTHONPATH=${CMAKE_SOURCE_DIR}/tools"
  "PYTHONDONTWRITEBYTECODE=1")
foreach(case configure kit program_check prebuilt)
  add_test(NAME vendor_${case}
    COMMAND ${Python3_EXECUTABLE} -m unittest -v vendor_${case}_test
    WORKING_DIRECTORY ${CMAKE_CURRENT_LIST_DIR})
  set_tests_properties(vendor_${case} PROPERTIES LABELS host TIMEOUT 2400
    ENVIRONMENT "${vendor_test_env}" RESOURCE_LOCK windows_prefix)
endforeach()

# Two builds of the commit in fresh folders give the same Setup.exe, from
# the example vendor file; the kits made from them are the same archive, and
# the kit's own build of that file gives the same Setup.exe again.
add_test(NAME reproducible_build COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/check-reproducible.sh
  -DSETUP_VENDOR_FILE=${CMAKE_CURRENT_LIST_DIR}/kvalita.cmake)
set_tests_properties(reproducible_build PROPERTIES LABELS host TIMEOUT 2400
  PASS_REGULAR_EXPRESSION "reproducible: both builds")
