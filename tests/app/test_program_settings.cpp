// Settings store: file layout, reading rules, the delayed background save and
// the atomic write.
#include "app/program_settings.h"
#include "support/test_support.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

using namespace std::chrono_literals;
using orvex::ConvolutionSet;
using orvex::ProgramSettings;
using orvex::test::read_file;
using orvex::test::TempDir;
using orvex::test::write_file;

namespace {

std::string file_of(const TempDir& dir)
{
    return (dir / "Settings.xml").u8string();
}

// A settings file with only a few keys, in the layout the program writes.
std::string partial_file(const std::string& program_body)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<root>\n    <Program>\n" + program_body +
           "    </Program>\n</root>\n";
}

} // namespace

TEST(ProgramSettingsFile, DefaultsAreWrittenInDeclarationOrderWithFourSpaceIndent)
{
    TempDir dir;
    ProgramSettings s;
    ASSERT_TRUE(s.save(file_of(dir), true));
    // The recovery image's default is the workstation path on Windows, the executable's folder elsewhere.
    EXPECT_EQ(s.recovery_image_file.substr(s.recovery_image_file.size() - 12), "recovery.bin");
    const std::string expected = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                 "<root>\n"
                                 "    <Program>\n"
                                 "        <DeveloperMode>false</DeveloperMode>\n"
                                 "        <DevCheckboxVisible>false</DevCheckboxVisible>\n"
                                 "        <harmful_mode_code>0</harmful_mode_code>\n"
                                 "        <Chart>\n"
                                 "            <KeepAspectRatio>false</KeepAspectRatio>\n"
                                 "            <Rotate>false</Rotate>\n"
                                 "            <Brightness>false</Brightness>\n"
                                 "        </Chart>\n"
                                 "        <SensorErrorsPoll>false</SensorErrorsPoll>\n"
                                 "        <SensorErrorsPollPeriod_ms>1000</SensorErrorsPollPeriod_ms>\n"
                                 "        <Connection>\n"
                                 "            <Ethernet>\n"
                                 "                <Mask>255.255.255.255</Mask>\n"
                                 "            </Ethernet>\n"
                                 "            <ControlBoardAddress>192.168.1.20</ControlBoardAddress>\n"
                                 "        </Connection>\n"
                                 "        <Settings>\n"
                                 "            <PageIndex>0</PageIndex>\n"
                                 "            <WriteOnChange>true</WriteOnChange>\n"
                                 "        </Settings>\n"
                                 "        <coef_moto_1>1000</coef_moto_1>\n"
                                 "        <coef_moto_2>1000</coef_moto_2>\n"
                                 "        <coef_moto_3>1000</coef_moto_3>\n"
                                 "        <coef_enc_1>-5000</coef_enc_1>\n"
                                 "        <coef_enc_2>-5000</coef_enc_2>\n"
                                 "        <coef_enc_3>-5000</coef_enc_3>\n"
                                 "        <convolution_sets/>\n"
                                 "        <RecoveryImageFile>" +
                                 s.recovery_image_file +
                                 "</RecoveryImageFile>\n"
                                 "    </Program>\n"
                                 "    <Windows>\n"
                                 "        <ImageWindowResolution>640x512</ImageWindowResolution>\n"
                                 "    </Windows>\n"
                                 "    <sandbox>\n"
                                 "        <cut>\n"
                                 "            <enabled>false</enabled>\n"
                                 "            <x0>0</x0>\n"
                                 "            <x1>10</x1>\n"
                                 "            <y0>-10</y0>\n"
                                 "            <y1>10</y1>\n"
                                 "            <invert>false</invert>\n"
                                 "        </cut>\n"
                                 "        <outliers>\n"
                                 "            <enabled>false</enabled>\n"
                                 "            <window>3</window>\n"
                                 "            <distance>1</distance>\n"
                                 "            <min_count>1</min_count>\n"
                                 "        </outliers>\n"
                                 "    </sandbox>\n"
                                 "    <image_show_settings>false</image_show_settings>\n"
                                 "</root>\n";
    EXPECT_EQ(read_file(dir / "Settings.xml"), expected);
}

TEST(ProgramSettingsFile, MissingKeysKeepDefaultsAndBadValuesKeepCurrentOnes)
{
    TempDir dir;
    write_file(dir / "Settings.xml", partial_file("        <SensorErrorsPoll>true</SensorErrorsPoll>\n"
                                                  "        <Settings>\n"
                                                  "            <WriteOnChange>perhaps</WriteOnChange>\n"
                                                  "        </Settings>\n"
                                                  "        <harmful_mode_code>12abc</harmful_mode_code>\n"
                                                  "        <coef_moto_2>250.5</coef_moto_2>\n"));
    ProgramSettings s;
    s.harmful_mode_code = 7;
    ASSERT_TRUE(s.load(file_of(dir)));
    EXPECT_TRUE(s.sensor_errors_poll);
    EXPECT_EQ(s.sensor_errors_poll_period_ms, 1000); // absent
    EXPECT_TRUE(s.settings_write_on_change);         // not a boolean
    EXPECT_EQ(s.harmful_mode_code, 7);               // not a whole number: current value stays
    EXPECT_DOUBLE_EQ(s.coef_moto[1], 250.5);
    EXPECT_DOUBLE_EQ(s.coef_moto[0], 1000.0);
    EXPECT_DOUBLE_EQ(s.sandbox.cut_x1, 10.0);
}

TEST(ProgramSettingsFile, ConvolutionSetsRoundTripAsVecElementsInOrder)
{
    TempDir dir;
    ProgramSettings s;
    ConvolutionSet::Coefficients a{}, b{};
    for (int i = 0; i < 16; ++i) {
        a[i] = static_cast<std::int16_t>(i * 100 - 800);
        b[i] = static_cast<std::int16_t>(32767 - i);
    }
    s.convolution_sets = {ConvolutionSet("первый", a), ConvolutionSet("second", b)};
    s.sandbox.outliers_window = 9;
    ASSERT_TRUE(s.save(file_of(dir), true));

    const std::string text = read_file(dir / "Settings.xml");
    const auto first = text.find("<vec>");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(text.find("<vec>", first + 1), std::string::npos);
    EXPECT_NE(text.find("<arr>-800</arr>"), std::string::npos);

    ProgramSettings back;
    back.convolution_sets = {ConvolutionSet("stale", {})};
    ASSERT_TRUE(back.load(file_of(dir)));
    ASSERT_EQ(back.convolution_sets.size(), 2u);
    EXPECT_EQ(back.convolution_sets[0], s.convolution_sets[0]);
    EXPECT_EQ(back.convolution_sets[1], s.convolution_sets[1]);
    EXPECT_EQ(back.sandbox.outliers_window, 9);
}

TEST(ProgramSettingsFile, CoefficientListToleratesShortLongAndBadArrays)
{
    TempDir dir;
    write_file(
        dir / "Settings.xml",
        partial_file("        <convolution_sets>\n"
                     "            <!-- edited by hand -->\n"
                     "            <vec><name>short</name><data><arr>5</arr><arr>x</arr><arr>70000</arr>"
                     "</data></vec>\n"
                     "        </convolution_sets>\n"));
    ProgramSettings s;
    ASSERT_TRUE(s.load(file_of(dir)));
    ASSERT_EQ(s.convolution_sets.size(), 1u); // the comment is not a set
    const auto& c = s.convolution_sets[0].data;
    EXPECT_EQ(c[0], 5);
    EXPECT_EQ(c[1], 0); // not a number: default kept
    EXPECT_EQ(c[2], 0); // out of int16 range: default kept
    EXPECT_EQ(c[15], 0);
}

TEST(ProgramSettingsFile, UnreadableOrMalformedFileFailsAndChangesNothing)
{
    TempDir dir;
    ProgramSettings s;
    s.chart_rotate = true;
    EXPECT_FALSE(s.load(file_of(dir))); // missing
    write_file(dir / "Settings.xml", "<root><Program><Chart><Rotate>false</Rotate></Chart>");
    EXPECT_FALSE(s.load(file_of(dir))); // truncated XML
    write_file(dir / "Settings.xml", std::string("\0\xff\xfe garbage", 12));
    EXPECT_FALSE(s.load(file_of(dir)));
    EXPECT_TRUE(s.chart_rotate);
}

TEST(ProgramSettingsFile, FailedWriteLeavesOldFileIntact)
{
    TempDir dir;
    ProgramSettings s;
    ASSERT_TRUE(s.save(file_of(dir), true));
    const std::string before = read_file(dir / "Settings.xml");
    // The temporary file cannot be created: a folder stands in its place.
    std::filesystem::create_directory(dir / "Settings.xml.tmp");
    s.chart_rotate = true;
    EXPECT_FALSE(s.save(file_of(dir), true));
    EXPECT_EQ(read_file(dir / "Settings.xml"), before);
    EXPECT_FALSE(s.save((dir / "no-such-folder" / "Settings.xml").u8string(), true));
}

TEST(ProgramSettingsFile, DeveloperModeUnlockedByTypingNeverReachesTheFile)
{
    TempDir dir;
    ProgramSettings s;
    s.developer_mode = true;
    s.dev_checkbox_visible = true;
    s.developer_mode_unlocked = true;
    ASSERT_TRUE(s.save(file_of(dir), true));
    ProgramSettings back;
    back.developer_mode = back.dev_checkbox_visible = true;
    ASSERT_TRUE(back.load(file_of(dir)));
    EXPECT_FALSE(back.developer_mode);
    EXPECT_FALSE(back.dev_checkbox_visible);
    // The rule holds for the saved copy only (it once cleared the live flags,
    // and the widgets and the error-state poll then disagreed).
    EXPECT_TRUE(s.developer_mode);
    EXPECT_TRUE(s.dev_checkbox_visible);

    ProgramSettings by_checkbox; // switched on by the check box: persisted
    by_checkbox.developer_mode = by_checkbox.dev_checkbox_visible = true;
    ASSERT_TRUE(by_checkbox.save(file_of(dir), true));
    ASSERT_TRUE(back.load(file_of(dir)));
    EXPECT_TRUE(back.developer_mode);
    EXPECT_TRUE(back.dev_checkbox_visible);
}

TEST(ProgramSettingsFile, NothingIsLostSilently)
{
    TempDir dir;
    // A damaged file is set aside under a free name before the defaults replace it.
    write_file(dir / "Settings.xml", "<root><Program>");
    ProgramSettings s;
    EXPECT_FALSE(s.load(file_of(dir)));
    EXPECT_EQ(s.set_aside_damaged_file(file_of(dir)), (dir / "Settings.xml.bad").u8string());
    write_file(dir / "Settings.xml", "not xml");
    EXPECT_EQ(s.set_aside_damaged_file(file_of(dir)), (dir / "Settings.xml.bad.2").u8string());
    EXPECT_EQ(read_file(dir / "Settings.xml.bad"), "<root><Program>");
    EXPECT_FALSE(std::filesystem::exists(dir / "Settings.xml"));
    EXPECT_EQ(s.set_aside_damaged_file(file_of(dir)), ""); // nothing there

    // Values of the wrong type keep their defaults and are named, list
    // elements and coefficient arrays included.
    write_file(dir / "Settings.xml",
               partial_file("        <DeveloperMode>maybe</DeveloperMode>\n"
                            "        <SensorErrorsPollPeriod_ms>fast</SensorErrorsPollPeriod_ms>\n"
                            "        <coef_moto_2>7.5</coef_moto_2>\n"
                            "        <convolution_sets><vec><name>a</name><data><arr>1</arr><arr>x</arr>"
                            "</data></vec></convolution_sets>\n"));
    ASSERT_TRUE(s.load(file_of(dir)));
    EXPECT_FALSE(s.developer_mode);
    EXPECT_EQ(s.sensor_errors_poll_period_ms, 1000);
    EXPECT_EQ(s.coef_moto[1], 7.5);
    ASSERT_EQ(s.unreadable_keys().size(), 3u);
    EXPECT_EQ(s.unreadable_keys()[0], "Program.DeveloperMode");
    EXPECT_EQ(s.unreadable_keys()[1], "Program.SensorErrorsPollPeriod_ms");
    EXPECT_EQ(s.unreadable_keys()[2].rfind("Program.convolution_sets.vec.", 0), 0u) << s.unreadable_keys()[2];

    // A replaced file keeps its permissions; a read-only one is left alone
    // and the failure is reported with the path.
    namespace fs = std::filesystem;
    std::vector<std::string> failed;
    s.set_write_failure_handler([&](const std::string& path) { failed.push_back(path); });
    fs::permissions(dir / "Settings.xml",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(s.save(file_of(dir), true));
    EXPECT_EQ(fs::status(dir / "Settings.xml").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::permissions(dir / "Settings.xml", fs::perms::owner_read);
    const std::string before = read_file(dir / "Settings.xml");
    s.chart_rotate = !s.chart_rotate;
    EXPECT_FALSE(s.save(file_of(dir), true));
    EXPECT_EQ(read_file(dir / "Settings.xml"), before);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0], file_of(dir));
    fs::permissions(dir / "Settings.xml", fs::perms::owner_all);
}

TEST(ProgramSettingsBackgroundSave, BurstOfRequestsGivesOneWriteAfterTheDelay)
{
    TempDir dir;
    ProgramSettings s;
    s.set_file_name(file_of(dir));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) {
        s.sensor_errors_poll_period_ms = 100 + i;
        EXPECT_TRUE(s.save(std::string(), false));
        std::this_thread::sleep_for(90ms);
    }
    EXPECT_EQ(s.write_count(), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir / "Settings.xml"));
    while (s.save_pending())
        std::this_thread::sleep_for(5ms);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 2900ms);
    EXPECT_EQ(s.write_count(), 1u);
    ProgramSettings back;
    ASSERT_TRUE(back.load(file_of(dir)));
    EXPECT_EQ(back.sensor_errors_poll_period_ms, 109); // the last request's values
}

TEST(ProgramSettingsBackgroundSave, SynchronousSaveCutsTheDelayShortWithLatestValues)
{
    TempDir dir;
    ProgramSettings s;
    s.set_file_name(file_of(dir));
    s.image_window_resolution = "first";
    ASSERT_TRUE(s.save(std::string(), false));
    std::this_thread::sleep_for(200ms);
    s.image_window_resolution = "1280x1024"; // changed without a new request
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(s.save(std::string(), true));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2000ms);
    EXPECT_FALSE(s.save_pending());
    EXPECT_EQ(s.write_count(), 1u);
    ProgramSettings back;
    ASSERT_TRUE(back.load(file_of(dir)));
    EXPECT_EQ(back.image_window_resolution, "1280x1024");
}
