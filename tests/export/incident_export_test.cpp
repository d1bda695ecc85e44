#include "export/incident_export.h"
#include "export/export_notes.h"

#include "telemetry/telemetry_track.h"
#include "telemetry/track_reader.h"
#include "trips/recording_durations.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>

using namespace dravonix;
namespace fs = std::filesystem;

namespace {

// The shared demo card: Always files at 10:21:00 and :04 (both channels), an
// Event file from :06, an Always file at :08 with no rear channel.
fs::path testCard()
{
    const char* card = std::getenv("DRAVONIX_TEST_CARD");
    return card == nullptr ? fs::path() : fs::path(card);
}

RecordingSet recordingsOf(const fs::path& card)
{
    std::vector<std::string> paths;
    // Whatever a listing names, as a card's listing does: FIFOs and devices too.
    for (const auto& entry : fs::recursive_directory_iterator(card))
        if (!entry.is_directory())
            paths.push_back(entry.path().string());
    RecordingSet set = collectRecordings(paths);
    measureRecordings(set);
    return set;
}

CameraMs at(int second) { return *cameraTime(2023, 6, 18, 10, 21, second); }

fs::path target(const char* name)
{
    const fs::path folder = fs::temp_directory_path() / (std::string("dravonix-incident-") + name + "-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    return folder;
}

ExportOptions options(const fs::path& card, CameraMs from, CameraMs to, const fs::path& out)
{
    ExportOptions o;
    o.recordings = recordingsOf(card);
    o.from = from;
    o.to = to;
    o.target = out;
    return o;
}

} // namespace

class IncidentExport : public ::testing::Test {
protected:
    void SetUp() override
    {
        card_ = testCard();
        if (card_.empty() || !fs::exists(card_ / "Normal"))
            GTEST_SKIP() << "DRAVONIX_TEST_CARD names no demo card";
    }
    fs::path card_;
};

TEST_F(IncidentExport, ARangeAcrossAFileBoundaryIsWhole)
{
    const fs::path out = target("whole");
    ExportOptions o = options(card_, at(2), at(6), out);
    o.layout = CombinedLayout::Inset;
    o.overlay = true;
    std::vector<ExportProgress> reports;
    const std::atomic<bool> cancel{false};
    const auto result = exportIncident(o, [&](const ExportProgress& p) { reports.push_back(p); }, cancel);
    ASSERT_TRUE(result) << result.error().message;

    const std::vector<std::string> expected{"alwa_20230618_102102_F.mp4", "alwa_20230618_102102_R.mp4", "combined.mp4",
                                            "route.gpx", "route.kml", "export.txt", "SHA256SUMS"};
    EXPECT_EQ(result->files, expected);
    std::size_t inFolder = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(out))
        ++inFolder;
    EXPECT_EQ(inFolder, expected.size()); // no temporaries left
    EXPECT_EQ(result->sources.size(), 4u);
    EXPECT_EQ(result->clipStart, at(2)); // the demo card has a key frame every second

    // The clip's telemetry: one record a second of the range, read like the camera's.
    TelemetryTrack track;
    ASSERT_TRUE(readTelemetryTrack(out / expected[0], track).ok());
    EXPECT_EQ(track.sampleCount(), 4u);
    EXPECT_EQ(result->telemetryRecords, 4u);

    EXPECT_EQ(std::system(("cd '" + out.string() + "' && sha256sum --quiet -c SHA256SUMS").c_str()), 0);

    // Steps count up, each reported from 0, with a text for the dialog.
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.front().step, 0);
    EXPECT_EQ(reports.back().step, reports.back().steps - 1);
    for (std::size_t i = 1; i < reports.size(); ++i) {
        EXPECT_GE(reports[i].step, reports[i - 1].step);
        EXPECT_FALSE(reports[i].text.empty());
    }
    fs::remove_all(out);
}

TEST_F(IncidentExport, ACancelAtAnyStepLeavesNoFileUnderAFinalName)
{
    for (int step = 0;; ++step) {
        const fs::path out = target("cancel");
        ExportOptions o = options(card_, at(1), at(7), out);
        std::atomic<bool> cancel{false};
        int steps = 0;
        const auto result = exportIncident(
            o,
            [&](const ExportProgress& p) {
                steps = p.steps;
                // Part way through the step when it reports progress, else at its start.
                if (p.step == step && (p.fraction > 0.3 || step == 0 || step >= p.steps - 3))
                    cancel.store(true);
            },
            cancel);
        ASSERT_FALSE(result) << "step " << step;
        EXPECT_EQ(result.error().message, "cancelled") << "step " << step;
        EXPECT_FALSE(fs::exists(out)) << "step " << step;
        if (step + 1 >= steps)
            break;
    }
}

TEST_F(IncidentExport, AMissingChannelStopsTheExportUnlessLeftOut)
{
    // 10:21:08 to :11 is played from the Always file without a rear channel.
    const fs::path out = target("missing");
    const std::atomic<bool> cancel{false};
    const auto stopped = exportIncident(options(card_, at(9), at(11), out), {}, cancel);
    ASSERT_FALSE(stopped);
    EXPECT_NE(stopped.error().message.find("no rear file"), std::string::npos) << stopped.error().message;
    EXPECT_NE(stopped.error().message.find("alwa_20230618_102108_F.mp4"), std::string::npos);
    EXPECT_FALSE(fs::exists(out));

    ExportOptions o = options(card_, at(9), at(11), out);
    o.skipUnreadable = true;
    o.combined = true;
    const auto partial = exportIncident(o, {}, cancel);
    ASSERT_TRUE(partial) << partial.error().message;
    EXPECT_EQ(partial->files.front(), "alwa_20230618_102109_F.mp4");
    EXPECT_EQ(partial->files[1], "combined.mp4"); // a black picture where the rear would be
    ASSERT_EQ(partial->skipped.size(), 1u);
    EXPECT_EQ(std::system(("cd '" + out.string() + "' && grep -q 'no rear file' export.txt").c_str()), 0);
    fs::remove_all(out);
}

TEST_F(IncidentExport, ABrokenFileIsNamedAndNothingIsWritten)
{
    const fs::path copy = target("broken-card");
    fs::copy(card_, copy, fs::copy_options::recursive);
    fs::resize_file(copy / "Normal" / "alwa_20230618_102104_R.mp4", 100);
    ExportOptions o = options(copy, at(2), at(6), target("broken"));
    // Measured before the damage, as a viewer would have it.
    o.recordings = recordingsOf(card_);
    for (TripRecording& r : o.recordings.recordings) {
        r.frontPath = r.frontPath.empty() ? "" : (copy / fs::relative(r.frontPath, card_)).string();
        r.rearPath = r.rearPath.empty() ? "" : (copy / fs::relative(r.rearPath, card_)).string();
    }
    const std::atomic<bool> cancel{false};
    const auto result = exportIncident(o, {}, cancel);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("alwa_20230618_102104_R.mp4"), std::string::npos) << result.error().message;
    EXPECT_FALSE(fs::exists(o.target));

    // Cut off in both channels, the recording has no length and is in no
    // trip: it is still named, not passed over.
    fs::resize_file(copy / "Normal" / "alwa_20230618_102104_F.mp4", 100);
    ExportOptions measuredNow = options(copy, at(2), at(6), target("cut-off"));
    const auto cutOff = exportIncident(measuredNow, {}, cancel);
    ASSERT_FALSE(cutOff);
    EXPECT_NE(cutOff.error().message.find("alwa_20230618_102104_F.mp4: its length can't be read"), std::string::npos)
        << cutOff.error().message;
    measuredNow.skipUnreadable = true;
    const auto without = exportIncident(measuredNow, {}, cancel);
    ASSERT_TRUE(without) << without.error().message;
    EXPECT_EQ(without->sources.size(), 2u); // the Always file before it, both channels
    fs::remove_all(measuredNow.target);
    fs::remove_all(copy);
}

TEST_F(IncidentExport, AHeaderClaimingMoreThanTheFileHoldsStopsTheExport)
{
    // The 10:21:00 recording's header says a minute: it alone covers the
    // trip, though its pictures end after four seconds. A range late in that
    // minute must not come out as the file's last seconds under a wrong name.
    const fs::path out = target("lying-header");
    ExportOptions o = options(card_, at(40), at(45), out);
    for (TripRecording& r : o.recordings.recordings)
        if (r.start == at(0) && r.kind == RecordingKind::Always)
            r.durationMs = 60000;
    const std::atomic<bool> cancel{false};
    const auto result = exportIncident(o, {}, cancel);
    ASSERT_FALSE(result) << "exported from " << readableCameraTime(result->clipStart);
    EXPECT_NE(result.error().message.find("alwa_20230618_102100_F.mp4: its pictures end at 4."), std::string::npos)
        << result.error().message;
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(IncidentExport, AFifoOrDeviceNamedLikeARecordingIsRefusedNotWaitedOn)
{
    // The front files give the recordings their lengths; the rear partners
    // are a FIFO nobody writes to and a link to an endless device.
    const fs::path copy = target("fifo-card");
    fs::copy(card_, copy, fs::copy_options::recursive);
    const fs::path fifo = copy / "Normal" / "alwa_20230618_102100_R.mp4";
    const fs::path device = copy / "Normal" / "alwa_20230618_102104_R.mp4";
    fs::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    fs::remove(device);
    fs::create_symlink("/dev/zero", device);

    const fs::path out = target("fifo");
    const std::atomic<bool> cancel{false};
    ExportOptions o = options(copy, at(2), at(6), out);
    auto running = std::async(std::launch::async, [&] { return exportIncident(o, {}, cancel); });
    if (running.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Let the export past its wait (an empty FIFO ends at once), so the
        // test ends either way.
        ::close(::open(fifo.c_str(), O_WRONLY));
        running.wait();
        FAIL() << "the export waited on the FIFO";
    }
    const auto result = running.get();
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("alwa_20230618_102100_R.mp4"), std::string::npos) << result.error().message;
    EXPECT_NE(result.error().message.find("alwa_20230618_102104_R.mp4"), std::string::npos) << result.error().message;
    EXPECT_FALSE(fs::exists(out));
    fs::remove_all(copy);
}
