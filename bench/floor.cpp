// The size floor: the least a loader needs of the mandatory libraries, the C++
// stream library and Boost.Filesystem, linked statically like Setup.exe.
#include <windows.h>

#include <boost/filesystem.hpp>

#include <iostream>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR tail, int)
{
    // Both libraries are used for real, so the linker keeps them.
    boost::system::error_code error;
    const bool there = boost::filesystem::exists(boost::filesystem::path(tail), error);
    if (there)
        boost::filesystem::remove(boost::filesystem::path(tail), error);
    std::cout << tail << (there ? " removed" : " missing") << std::endl;
    return there ? 0 : 1;
}
