// Real runs of loader copies carrying damaged variants of either payload
// record, sampled from the same campaign the payload suite runs in process:
// each run ends with the code its damage calls for, shows at most its one
// box, and leaves exactly the files the launch sequence describes.
#include "SetupRun.h"

#include "CaseLog.h"
#include "RecordDamage.h"
#include "resource_ids.h"

#include <algorithm>

namespace e2e {
namespace {

struct CampaignCase {
    WORD recordId; // the record that carries the damage
    driver::DamagedRecord damaged;
};

// How many variants of each kind a real run tries, per record.
const std::map<std::string, size_t> kInstallerSample = {{"cut", 5},         {"size field", 6}, {"size bit", 2},
                                                        {"header bit", 2},  {"deflate bit", 6}, {"trailer bit", 2},
                                                        {"burst", 6}};
const std::map<std::string, size_t> kUninstallerSample = {{"cut", 4},        {"size field", 2}, {"header bit", 1},
                                                          {"deflate bit", 3}, {"trailer bit", 1}, {"burst", 2}};
// With the nine chosen damages of the installer suite, 51 real runs.
constexpr int kCampaignSize = 29 + 13;

// Evenly spread picks of each kind, always including the kind's first.
void Sample(WORD id, const std::vector<driver::DamagedRecord>& all, const std::map<std::string, size_t>& sample,
            std::vector<CampaignCase>& out)
{
    for (const auto& [kind, count] : sample) {
        std::vector<const driver::DamagedRecord*> ofKind;
        for (const auto& d : all) {
            if (d.kind == kind)
                ofKind.push_back(&d);
        }
        for (size_t i = 0; i < count && !ofKind.empty(); ++i)
            out.push_back({id, *ofKind[i * ofKind.size() / count]});
    }
}

// The campaign, made once from the build's own records. Declared sizes of
// 2^31 and more are left to their own test: they end before any unpacking.
const std::vector<CampaignCase>& Campaign()
{
    static const std::vector<CampaignCase> cases = [] {
        std::vector<CampaignCase> made;
        driver::DamagePlan plan;
        plan.hugeSizes = false;
        for (const auto& [id, sample] : {std::make_pair(IDR_INSTALLER, kInstallerSample),
                                         std::make_pair(IDR_UNINSTALLER, kUninstallerSample)}) {
            const auto record = driver::ReadResource(BuiltSetup(), RT_RCDATA, id, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
            if (record)
                Sample(static_cast<WORD>(id), driver::DamageRecord(*record, plan), sample, made);
        }
        return made;
    }();
    return cases;
}

// What the loader makes of the damaged record's bytes, read the way it reads them.
enum class Reading { Refused, Complete, Broken };

Reading ReadingOf(const driver::RecordBytes& record, driver::Inflated& inflated)
{
    if (record.size() < 4 || driver::DeclaredSizeOf(record) == 0)
        return Reading::Refused;
    inflated = driver::InflateWhole(record.data() + 4, record.size() - 4);
    return inflated.complete ? Reading::Complete : Reading::Broken;
}

class DamagedRecordRun : public SetupRun, public ::testing::WithParamInterface<int> {
protected:
    // Notes a file or folder state the run should not have left.
    void Unexpected(bool wrong, const std::string& what)
    {
        EXPECT_FALSE(wrong) << what;
        if (wrong)
            left_ += (left_.empty() ? "" : "; ") + what;
    }
    std::string left_;
};

TEST_P(DamagedRecordRun, EndsAsItsDamageCallsFor)
{
    ASSERT_EQ(Campaign().size(), static_cast<size_t>(kCampaignSize)) << "the build's records are missing";
    const CampaignCase& c = Campaign()[static_cast<size_t>(GetParam())];
    const bool installer = c.recordId == IDR_INSTALLER;
    SCOPED_TRACE(std::string(installer ? "installer " : "uninstaller ") + c.damaged.name);

    const std::string loader = CopyLoader();
    if (c.damaged.record.empty())
        ASSERT_TRUE(driver::RemoveResource(loader, RT_RCDATA, c.recordId)); // a record of no bytes is none
    else
        ASSERT_TRUE(driver::ReplaceResource(loader, RT_RCDATA, c.recordId, c.damaged.record));
    driver::Inflated inflated;
    const Reading reading = ReadingOf(c.damaged.record, inflated);
    const bool windowed = GetParam() % 4 == 0; // most runs silent: the window adds a second and nothing here

    const double start = driver::NowMs();
    Start(windowed ? "" : "/s", {}, loader);
    uint32_t expected = 0;
    if (reading == Reading::Complete)
        expected = 0;
    else if (installer)
        expected = reading == Reading::Refused ? 2 : 4;
    else
        expected = 5;
    if (expected != 0)
        CloseErrorBox(static_cast<int>(expected));
    const auto exit = ExitCode();
    ASSERT_TRUE(exit) << "the run did not end";
    EXPECT_EQ(*exit, expected);
    if (expected == 0)
        AwaitHandOver();
    const double took = driver::NowMs() - start;

    if (expected == 0) {
        // Damage that zlib let through changed nothing of the program.
        const std::vector<unsigned char> program = Bytes(installer ? BuiltInstaller() : BuiltUninstaller());
        EXPECT_TRUE(inflated.output == program);
        Unexpected(WizardStarts().size() != 1, "the wizard did not start once");
        Unexpected(Bytes(uninstallerPath_) != Bytes(BuiltUninstaller()), "the uninstaller in place is not the program");
    } else {
        Unexpected(!WizardStarts().empty(), "the wizard started");
    }
    if (!installer && expected == 5) {
        // Both attempts found nothing to run: the damaged copy was deleted each time.
        Unexpected(driver::FileExists(uninstallerPath_), "a damaged uninstaller stayed in its home");
        Unexpected(!UninstallerChecks().empty(), "a damaged uninstaller was run");
    }

    const auto temp = NewTempFiles(TempFolder());
    Unexpected(!NewTempFiles(WindowsFolder()).empty(), "a temporary file in the Windows folder");
    if (expected == 4) {
        // The temp file stays, sized in advance, holding every byte inflated before the error.
        Unexpected(temp.size() != 1, std::to_string(temp.size()) + " temporary files, not 1");
        if (temp.size() == 1) {
            const std::vector<unsigned char> bytes = Bytes(*temp.begin());
            const size_t size = std::max<size_t>(driver::DeclaredSizeOf(c.damaged.record), inflated.output.size());
            Unexpected(bytes.size() != size, "the temporary file is not of the declared size");
            Unexpected(bytes.size() < inflated.output.size() ||
                           !std::equal(inflated.output.begin(), inflated.output.end(), bytes.begin()),
                       "the temporary file does not hold the bytes inflated");
        }
    } else if (expected != 0) {
        Unexpected(!temp.empty(), "a temporary file although none was made");
    }
    driver::LogCaseEnd({std::string("damaged payload, real Setup.exe: ") + (installer ? "installer" : "uninstaller") +
                            " record",
                        c.damaged.name, "exit " + std::to_string(*exit), took, left_});
}

INSTANTIATE_TEST_SUITE_P(Sampled, DamagedRecordRun, ::testing::Range(0, kCampaignSize));

} // namespace
} // namespace e2e
