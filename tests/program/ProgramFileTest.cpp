// The shipping program file: self-contained, a GUI program, and carrying the
// two payload records that inflate back to the programs they were made from.
#include "PeImports.h"
#include "ShippingProgram.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <set>

namespace {

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// Windows's known DLLs, which always come from System32: no other DLL may be
// imported, or it would be looked for in the loader's folder before its first line.
const std::set<std::string> kSystemDlls = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "SHELL32.DLL",
                                           "MSVCRT.DLL",   "ADVAPI32.DLL",
                                           "OLE32.DLL",    "SHLWAPI.DLL"};

std::vector<unsigned char> Inflate(const unsigned char* data, size_t size, size_t expected, size_t* consumed)
{
    std::vector<unsigned char> out(expected + 1);
    z_stream stream = {};
    stream.next_in = const_cast<unsigned char*>(data);
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflateInit(&stream), Z_OK);
    EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    *consumed = stream.total_in;
    inflateEnd(&stream);
    return out;
}

TEST(ProgramFile, IsA32BitGuiProgramThatImportsOnlySystemDlls)
{
    auto bytes = driver::ReadFileBytes(ShippingSetupExe());
    ASSERT_TRUE(bytes) << ShippingSetupExe();
    auto pe = ReadPeSummary(*bytes);
    ASSERT_TRUE(pe);
    EXPECT_EQ(pe->machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(pe->subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    ASSERT_FALSE(pe->imports.empty());
    for (const auto& dll : pe->imports)
        EXPECT_TRUE(kSystemDlls.count(Upper(dll))) << dll << " is not part of Windows";
}

TEST(ProgramFile, ImportReaderReadsProgramsAndRejectsTheRest)
{
    auto bytes = driver::ReadFileBytes(driver::BinPath("test_program.exe"));
    ASSERT_TRUE(bytes);
    auto pe = ReadPeSummary(*bytes);
    ASSERT_TRUE(pe);
    EXPECT_TRUE(std::count(pe->imports.begin(), pe->imports.end(), "KERNEL32.dll") ||
                std::count(pe->imports.begin(), pe->imports.end(), "KERNEL32.DLL"));
    std::vector<unsigned char> garbage(bytes->begin(), bytes->begin() + 64);
    EXPECT_FALSE(ReadPeSummary(garbage));
}

struct RecordCase {
    WORD id;
    const char* program;
};

class PayloadRecord : public ::testing::TestWithParam<RecordCase> {};

TEST_P(PayloadRecord, InflatesBackToTheProgramByteForByte)
{
    const RecordCase c = GetParam();
    auto record = driver::ReadResource(ShippingSetupExe(), MAKEINTRESOURCEA(10) /* RT_RCDATA */, c.id,
                                       MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    ASSERT_TRUE(record) << "record " << c.id;
    auto program = driver::ReadFileBytes(ShippingDir() + c.program);
    ASSERT_TRUE(program) << c.program;
    ASSERT_GT(record->size(), 6u);

    const uint32_t declared = (*record)[0] | (*record)[1] << 8 | (*record)[2] << 16 |
                              static_cast<uint32_t>((*record)[3]) << 24;
    EXPECT_EQ(declared, program->size());
    EXPECT_EQ((*record)[4], 0x78);
    EXPECT_EQ((*record)[5], 0xDA); // highest compression level, no dictionary

    size_t consumed = 0;
    auto inflated = Inflate(record->data() + 4, record->size() - 4, program->size(), &consumed);
    EXPECT_EQ(consumed, record->size() - 4) << "the stream must end exactly at the end of the record";
    EXPECT_TRUE(inflated == *program);
}

INSTANTIATE_TEST_SUITE_P(BothPayloads, PayloadRecord,
                         ::testing::Values(RecordCase{1, "VutSetup.exe"}, RecordCase{2, "VutUndo.exe"}));

} // namespace
