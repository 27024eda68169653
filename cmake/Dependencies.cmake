# zlib and Boost.Filesystem for the target, both linked statically.

# zlib: Debian's libz-mingw-w64-dev; the static archive, never the DLL import library.
find_library(ZLIB_STATIC_LIBRARY NAMES libz.a REQUIRED)
find_path(ZLIB_INCLUDE_DIR zlib.h REQUIRED)
add_library(ZLIB::ZLIB STATIC IMPORTED)
set_target_properties(ZLIB::ZLIB PROPERTIES
  IMPORTED_LOCATION ${ZLIB_STATIC_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${ZLIB_INCLUDE_DIR})

# Boost headers from libboost1.81-dev. The cross compiler must not see the host's
# /usr/include, so it gets a folder that holds nothing but a link to boost/.
set(BOOST_HEADERS /usr/include/boost)
if(NOT EXISTS ${BOOST_HEADERS}/filesystem.hpp)
  message(FATAL_ERROR "Boost headers missing at ${BOOST_HEADERS}: run scripts/install-deps.sh")
endif()
set(BOOST_INCLUDE_LINK_DIR ${CMAKE_BINARY_DIR}/boost-include)
file(MAKE_DIRECTORY ${BOOST_INCLUDE_LINK_DIR})
file(CREATE_LINK ${BOOST_HEADERS} ${BOOST_INCLUDE_LINK_DIR}/boost SYMBOLIC)

# Boost.Filesystem sources from Debian's boost1.81 source package
# (scripts/fetch-boost-source.sh); Boost.System is header-only.
set(BOOST_FILESYSTEM_SOURCE_DIR ${CMAKE_SOURCE_DIR}/.cache/boost-filesystem-src/libs/filesystem/src
    CACHE PATH "Boost.Filesystem sources (libs/filesystem/src of boost1.81)")
file(GLOB BOOST_FILESYSTEM_SOURCES ${BOOST_FILESYSTEM_SOURCE_DIR}/*.cpp)
if(NOT BOOST_FILESYSTEM_SOURCES)
  message(FATAL_ERROR "Boost.Filesystem sources missing in ${BOOST_FILESYSTEM_SOURCE_DIR}: run scripts/fetch-boost-source.sh")
endif()
add_library(boost_filesystem STATIC ${BOOST_FILESYSTEM_SOURCES})
target_include_directories(boost_filesystem SYSTEM PUBLIC ${BOOST_INCLUDE_LINK_DIR})
target_compile_definitions(boost_filesystem
  PUBLIC BOOST_FILESYSTEM_STATIC_LINK=1 BOOST_ALL_NO_LIB
  PRIVATE BOOST_FILESYSTEM_SOURCE BOOST_FILESYSTEM_NO_CXX20_ATOMIC_REF)
target_compile_options(boost_filesystem PRIVATE -w)
target_link_libraries(boost_filesystem PUBLIC bcrypt)
