// The resources of the built Setup.exe, read back from the file: string table,
// version block, manifest and icon, each in its language.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Driver.h"
#include "ResourceIndex.h"
#include "VersionBlock.h"
#include "resource_ids.h"

namespace {

constexpr WORD kNeutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
constexpr WORD kCzech = 1029;
constexpr WORD kEnglish = 1033;
constexpr WORD kPolish = 1045;

// The shipping 32-bit program, beside the suite.
std::string SetupExe()
{
    return driver::BinPath("Setup.exe");
}

std::vector<unsigned char> Resource(LPCSTR type, WORD id, WORD language)
{
    auto data = driver::ReadResource(SetupExe(), type, id, language);
    return data ? *data : std::vector<unsigned char>();
}

uint32_t DwordAt(const std::vector<unsigned char>& data, size_t offset)
{
    return data[offset] | (data[offset + 1] << 8) | (data[offset + 2] << 16) | (uint32_t(data[offset + 3]) << 24);
}

uint16_t WordAt(const std::vector<unsigned char>& data, size_t offset)
{
    return static_cast<uint16_t>(data[offset] | (data[offset + 1] << 8));
}

// The sixteen counted UTF-16 strings of one string-table block.
std::vector<std::wstring> StringBlock(const std::vector<unsigned char>& data)
{
    std::vector<std::wstring> strings;
    size_t at = 0;
    while (strings.size() < 16 && at + 2 <= data.size()) {
        const size_t length = WordAt(data, at);
        at += 2;
        std::wstring text;
        for (size_t i = 0; i < length && at + 2 <= data.size(); ++i, at += 2)
            text.push_back(static_cast<wchar_t>(WordAt(data, at)));
        strings.push_back(text);
    }
    return strings;
}

struct StringCase {
    WORD language;
    std::vector<std::wstring> texts; // ids 1 to 6
};

TEST(SetupResources, ReadsTheShippingProgram)
{
    ASSERT_TRUE(driver::FileExists(SetupExe())) << SetupExe();
}

TEST(SetupResources, StringTableHoldsTheSixTextsInThreeLanguages)
{
    EXPECT_EQ(IdsOf(SetupExe(), RT_STRING), std::vector<WORD>({1})); // block 1: ids 0 to 15
    EXPECT_EQ(LanguagesOf(SetupExe(), RT_STRING, 1), std::vector<WORD>({kCzech, kEnglish, kPolish}));

    const StringCase cases[] = {
        {kEnglish,
         {L"ERROR", L"Cannot create temporary file", L"File setup.exe corrupt", L"Cannot run installation",
          L"Cannot unpack installation", L"VutUndo.exe do not work and cannot be installed"}},
        {kCzech,
         {L"CHYBA", L"Nelze vytvo\u0159it pomocn\u00FD soubor", L"Soubor setup.exe je po\u0161kozen\u00FD",
          L"Instalaci nelze spustit", L"Instalaci nelze rozbalit", L"VutUndo.exe nefunguje a nelze jej instalovat"}},
        {kPolish,
         {L"BL\u0104ND", L"Nie mo\u017Cna zrobicz plik roboczy", L"Plik setup.exe uszkodzony",
          L"Nie mo\u017Cna uruchomi\u0107 instalacje", L"Nie mo\u017Cna rozpakova\u0107 instalacje",
          L"VutUndo.exe niepracuje i nemo\u017Cna go instalova\u0107"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        const std::vector<std::wstring> block = StringBlock(Resource(RT_STRING, 1, c.language));
        ASSERT_EQ(block.size(), 16u);
        EXPECT_EQ(block[0], L"") << "id 0 is not used";
        for (size_t id = IDS_ERROR_CAPTION; id <= IDS_ERR_UNDO_BROKEN; ++id) {
            EXPECT_EQ(block[id], c.texts[id - 1]) << "string " << id;
            EXPECT_LE(block[id].size(), 79u) << "string " << id << " would be cut by the 80-character buffer";
        }
        for (size_t id = IDS_ERR_UNDO_BROKEN + 1; id < 16; ++id)
            EXPECT_EQ(block[id], L"") << "string " << id;
    }
}

TEST(SetupResources, DialogTemplateComesInTheSameThreeLanguages)
{
    EXPECT_EQ(LanguagesOf(SetupExe(), RT_DIALOG, IDD_SETUP), std::vector<WORD>({kCzech, kEnglish, kPolish}));
}

TEST(SetupResources, VersionBlockIsLanguageNeutralAndComplete)
{
    EXPECT_EQ(IdsOf(SetupExe(), RT_VERSION), std::vector<WORD>({1}));
    EXPECT_EQ(LanguagesOf(SetupExe(), RT_VERSION, 1), std::vector<WORD>({kNeutral}));

    const auto root = ParseVersionBlock(Resource(RT_VERSION, 1, kNeutral));
    ASSERT_TRUE(root);
    EXPECT_EQ(root->key, L"VS_VERSION_INFO");

    ASSERT_EQ(root->value.size(), sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, root->value.data(), sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0u);
    EXPECT_EQ(fixed.dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed.dwFileFlags, 0u);
    EXPECT_EQ(fixed.dwFileOS, 0x00010004u);
    EXPECT_EQ(fixed.dwFileType, DWORD(VFT_APP));
    EXPECT_EQ(fixed.dwFileSubtype, 0u);
    EXPECT_EQ(fixed.dwFileDateMS, 0u);
    EXPECT_EQ(fixed.dwFileDateLS, 0u);

    ASSERT_EQ(root->children.size(), 2u);
    const VersionNode& strings = root->children[0];
    EXPECT_EQ(strings.key, L"StringFileInfo");
    const std::wstring tableKeys[] = {L"04090000", L"040504e2", L"041504e2"};
    ASSERT_EQ(strings.children.size(), 3u);
    const std::pair<std::wstring, std::wstring> fixedEntries[] = {
        {L"FileDescription", L"Setup Loader"}, {L"FileVersion", L"1.0"},        {L"InternalName", L"SETUP"},
        {L"OriginalFilename", L"Setup.exe"},   {L"ProductVersion", L"1.0"},
    };
    for (size_t i = 0; i < 3; ++i) {
        const VersionNode& table = strings.children[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(table.key, tableKeys[i]);
        for (const auto& [key, value] : fixedEntries) {
            const VersionNode* entry = table.Child(key);
            ASSERT_NE(entry, nullptr);
            EXPECT_EQ(entry->type, 1);
            EXPECT_EQ(entry->Text(), value);
        }
        for (const wchar_t* key : {L"CompanyName", L"ProductName", L"LegalCopyright"}) {
            const VersionNode* entry = table.Child(key);
            ASSERT_NE(entry, nullptr);
            EXPECT_FALSE(entry->Text().empty());
        }
        EXPECT_EQ(table.Child(L"CompanyName")->Text(), strings.children[0].Child(L"CompanyName")->Text());
    }

    const VersionNode& variables = root->children[1];
    EXPECT_EQ(variables.key, L"VarFileInfo");
    const VersionNode* translation = variables.Child(L"Translation");
    ASSERT_NE(translation, nullptr);
    EXPECT_EQ(translation->type, 0);
    EXPECT_EQ(translation->value,
              std::vector<unsigned char>({0x09, 0x04, 0x00, 0x00, 0x05, 0x04, 0xE2, 0x04, 0x15, 0x04, 0xE2, 0x04}));
}

TEST(SetupResources, ManifestAsksForAdministratorRightsAndNothingElse)
{
    EXPECT_EQ(IdsOf(SetupExe(), RT_MANIFEST), std::vector<WORD>({1}));
    EXPECT_EQ(LanguagesOf(SetupExe(), RT_MANIFEST, 1), std::vector<WORD>({kEnglish}));

    const std::vector<unsigned char> bytes = Resource(RT_MANIFEST, 1, kEnglish);
    const std::string manifest(bytes.begin(), bytes.end());
    const char* present[] = {
        "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">",
        "<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">",
        "<security>",
        "<requestedPrivileges>",
        "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>",
    };
    for (const char* text : present)
        EXPECT_NE(manifest.find(text), std::string::npos) << text;
    for (const char* text : {"dependency", "compatibility", "<application", "assemblyIdentity", "asInvoker"})
        EXPECT_EQ(manifest.find(text), std::string::npos) << text;
    EXPECT_EQ(manifest.find("requestedExecutionLevel"), manifest.rfind("requestedExecutionLevel"));
}

TEST(SetupResources, IconGroupHoldsFiveImagesFromLargestToSmallest)
{
    EXPECT_EQ(IdsOf(SetupExe(), RT_GROUP_ICON), std::vector<WORD>({IDI_SETUP}));
    EXPECT_EQ(LanguagesOf(SetupExe(), RT_GROUP_ICON, IDI_SETUP), std::vector<WORD>({kNeutral}));
    EXPECT_EQ(IdsOf(SetupExe(), RT_ICON), std::vector<WORD>({1, 2, 3, 4, 5}));

    const std::vector<unsigned char> group = Resource(RT_GROUP_ICON, IDI_SETUP, kNeutral);
    ASSERT_EQ(group.size(), 6u + 5 * 14);
    EXPECT_EQ(WordAt(group, 0), 0);
    EXPECT_EQ(WordAt(group, 2), 1); // icons, not cursors
    ASSERT_EQ(WordAt(group, 4), 5);

    const unsigned sizes[] = {64, 48, 32, 24, 16};
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(sizes[i]);
        const size_t entry = 6 + 14 * i;
        EXPECT_EQ(group[entry], sizes[i]);     // width
        EXPECT_EQ(group[entry + 1], sizes[i]); // height
        EXPECT_EQ(group[entry + 2], 0);        // colour count
        EXPECT_EQ(WordAt(group, entry + 4), 1);  // planes
        EXPECT_EQ(WordAt(group, entry + 6), 32); // bits per pixel
        const uint32_t bytes = DwordAt(group, entry + 8);
        const WORD id = WordAt(group, entry + 12);
        EXPECT_EQ(id, i + 1);

        EXPECT_EQ(LanguagesOf(SetupExe(), RT_ICON, id), std::vector<WORD>({kNeutral}));
        const std::vector<unsigned char> image = Resource(RT_ICON, id, kNeutral);
        ASSERT_EQ(image.size(), bytes);
        const size_t maskStride = (sizes[i] + 31) / 32 * 4;
        ASSERT_EQ(image.size(), 40 + sizes[i] * sizes[i] * 4 + maskStride * sizes[i]);
        EXPECT_EQ(DwordAt(image, 0), 40u);                   // BITMAPINFOHEADER
        EXPECT_EQ(DwordAt(image, 4), sizes[i]);              // width
        EXPECT_EQ(DwordAt(image, 8), 2 * sizes[i]);          // colour and mask rows
        EXPECT_EQ(WordAt(image, 12), 1);                     // planes
        EXPECT_EQ(WordAt(image, 14), 32);                    // bits per pixel
        EXPECT_EQ(DwordAt(image, 16), uint32_t(BI_RGB));

        // Some pixels are drawn, some are transparent, and the mask agrees.
        size_t opaque = 0;
        size_t maskDisagrees = 0;
        for (size_t y = 0; y < sizes[i]; ++y) {
            for (size_t x = 0; x < sizes[i]; ++x) {
                const unsigned char alpha = image[40 + (y * sizes[i] + x) * 4 + 3];
                const unsigned char maskByte = image[40 + sizes[i] * sizes[i] * 4 + y * maskStride + x / 8];
                const bool masked = (maskByte & (0x80 >> (x % 8))) != 0;
                opaque += alpha == 255;
                maskDisagrees += masked != (alpha == 0);
            }
        }
        EXPECT_GT(opaque, 0u);
        EXPECT_LT(opaque, size_t(sizes[i]) * sizes[i]);
        EXPECT_EQ(maskDisagrees, 0u);
    }
}

TEST(SetupResources, PayloadRecordsAreLanguageNeutral)
{
    EXPECT_EQ(LanguagesOf(SetupExe(), RT_RCDATA, IDR_INSTALLER), std::vector<WORD>({kNeutral}));
    EXPECT_EQ(LanguagesOf(SetupExe(), RT_RCDATA, IDR_UNINSTALLER), std::vector<WORD>({kNeutral}));
}

} // namespace
