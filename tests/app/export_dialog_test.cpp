#include "app/viewer/export_dialog.h"
#include "app/viewer/incident_export_runner.h"
#include "export/export_module.h"

#include "catalogue/folder_scan.h"
#include "trips/recording_durations.h"
#include "trips/trip_recordings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

using namespace dravonix;

namespace {

const QDateTime kEarliest(QDate(2023, 6, 22), QTime(14, 40), Qt::UTC);
const QDateTime kLatest(QDate(2023, 6, 22), QTime(15, 10), Qt::UTC);

struct Recorder {
    QList<ShownMessage> shown;
    QList<ShownMessage> asked;
    bool answer = false;
    QStringList opened;

    ExportServices services(ExportRunner run)
    {
        ExportServices s;
        s.run = std::move(run);
        s.present = [this](QWidget*, const ShownMessage& m) { shown << m; };
        s.ask = [this](QWidget*, const ShownMessage& m) { asked << m; return answer; };
        s.chooseFolder = [](QWidget*, const QString&) { return QString(); };
        s.openFolder = [this](const QString& folder) { opened << folder; };
        return s;
    }
};

bool waitFor(const std::function<bool()>& done)
{
    for (int i = 0; i < 500 && !done(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

ExportChoices marks(const QString& folder)
{
    ExportChoices c;
    c.from = kEarliest.addSecs(300);
    c.to = kEarliest.addSecs(480);
    c.targetFolder = folder;
    return c;
}

} // namespace

TEST(ExportDialog, RefusesWhatCannotBeExportedAndNamesWhy)
{
    QTemporaryDir dir;
    ExportChoices c = marks(dir.path());
    EXPECT_TRUE(ExportDialog::refusal(c, kEarliest, kLatest).isEmpty());

    ExportChoices reversed = c;
    std::swap(reversed.from, reversed.to);
    EXPECT_EQ(ExportDialog::refusal(reversed, kEarliest, kLatest), "The end must come after the start.");
    ExportChoices empty = c;
    empty.to = empty.from;
    EXPECT_FALSE(ExportDialog::refusal(empty, kEarliest, kLatest).isEmpty());
    ExportChoices outside = c;
    outside.from = kLatest.addSecs(10);
    outside.to = kLatest.addSecs(20);
    EXPECT_TRUE(ExportDialog::refusal(outside, kEarliest, kLatest).startsWith("No recording covers"));
    ExportChoices noFolder = c;
    noFolder.targetFolder.clear();
    EXPECT_EQ(ExportDialog::refusal(noFolder, kEarliest, kLatest), "Choose the folder to export to.");
    ExportChoices missing = c;
    missing.targetFolder = dir.filePath("not-there");
    EXPECT_TRUE(ExportDialog::refusal(missing, kEarliest, kLatest).contains("is not a folder"));
}

TEST(ExportDialog, RunsOffTheUiThreadShowsStepsAndOffersTheFolder)
{
    QTemporaryDir dir;
    Recorder recorder;
    recorder.answer = true;
    std::atomic<bool> ranOnWorker{false};
    ExportChoices seen;
    const Qt::HANDLE ui = QThread::currentThreadId();
    ExportDialog dialog(marks(dir.path()), kEarliest, kLatest,
                        recorder.services([&](const ExportChoices& c, const auto& progress, const auto&) {
                            ranOnWorker = QThread::currentThreadId() != ui;
                            seen = c;
                            progress(ExportStep{1, 4, QStringLiteral("Front clip")});
                            return ExportOutcome{true, false, dir.filePath("incident"), {}};
                        }));
    dialog.layoutList()->setCurrentIndex(1);
    dialog.overlayBox()->setChecked(true);
    QSignalSpy finished(&dialog, &ExportDialog::exportFinished);
    ASSERT_TRUE(dialog.start());
    ASSERT_TRUE(waitFor([&] { return !finished.isEmpty(); }));
    EXPECT_TRUE(finished.first().first().toBool());
    EXPECT_TRUE(ranOnWorker);
    EXPECT_EQ(seen.from, kEarliest.addSecs(300));
    EXPECT_EQ(seen.to, kEarliest.addSecs(480));
    EXPECT_FALSE(seen.sideBySide);
    EXPECT_TRUE(seen.overlay);
    EXPECT_TRUE(seen.combined);
    ASSERT_EQ(recorder.asked.size(), 1);
    EXPECT_TRUE(recorder.asked.first().text.contains("Open the folder?"));
    EXPECT_EQ(recorder.opened, QStringList{dir.filePath("incident")});
    EXPECT_TRUE(recorder.shown.isEmpty());
}

TEST(ExportDialog, CancelStopsTheWorkerAndAFailureIsShown)
{
    QTemporaryDir dir;
    Recorder recorder;
    std::atomic<bool> started{false};
    ExportDialog dialog(marks(dir.path()), kEarliest, kLatest,
                        recorder.services([&](const ExportChoices&, const auto&, const std::atomic<bool>& cancel) {
                            started = true;
                            while (!cancel)
                                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                            return ExportOutcome{false, true, {}, {}};
                        }));
    QSignalSpy finished(&dialog, &ExportDialog::exportFinished);
    ASSERT_TRUE(dialog.start());
    EXPECT_TRUE(dialog.running());
    EXPECT_EQ(dialog.cancelButton()->text(), "Cancel");
    EXPECT_FALSE(dialog.exportButton()->isEnabled());
    ASSERT_TRUE(waitFor([&] { return started.load(); }));
    dialog.reject(); // Cancel, Escape or the close box: stops the export, keeps the dialog
    ASSERT_TRUE(waitFor([&] { return !finished.isEmpty(); }));
    EXPECT_FALSE(dialog.running());
    EXPECT_TRUE(dialog.stepLabel()->text().startsWith("Cancelled"));
    EXPECT_TRUE(recorder.asked.isEmpty());
    EXPECT_TRUE(dialog.exportButton()->isEnabled());

    // A failing export says why; one that throws doesn't take the viewer down.
    Recorder failing;
    ExportDialog broken(marks(dir.path()), kEarliest, kLatest,
                        failing.services([](const ExportChoices&, const auto&, const auto&) -> ExportOutcome {
                            throw std::runtime_error("No space left on device");
                        }));
    QSignalSpy brokenFinished(&broken, &ExportDialog::exportFinished);
    ASSERT_TRUE(broken.start());
    ASSERT_TRUE(waitFor([&] { return !brokenFinished.isEmpty(); }));
    ASSERT_EQ(failing.shown.size(), 1);
    EXPECT_EQ(failing.shown.first().text, "No space left on device");
}

TEST(ExportDialog, MissingFilesAreNamedAndWhatCanBeReadIsExportedWhenTheUserAgrees)
{
    QTemporaryDir dir;
    Recorder recorder;
    recorder.answer = true;
    QList<bool> skips;
    ExportDialog dialog(marks(dir.path()), kEarliest, kLatest,
                        recorder.services([&](const ExportChoices& c, const auto&, const auto&) {
                            skips << c.skipUnreadable;
                            if (!c.skipUnreadable) {
                                ExportOutcome refused{false, false, {}, QStringLiteral("alwa_20230622_144500_R.mp4 is missing")};
                                refused.unreadableFiles = true;
                                return refused;
                            }
                            return ExportOutcome{true, false, dir.path(), {}};
                        }));
    QSignalSpy finished(&dialog, &ExportDialog::exportFinished);
    ASSERT_TRUE(dialog.start());
    ASSERT_TRUE(waitFor([&] { return finished.size() == 2; }));
    EXPECT_EQ(skips, (QList<bool>{false, true}));
    ASSERT_EQ(recorder.asked.size(), 2); // leave them out?, then open the folder?
    EXPECT_TRUE(recorder.asked[0].text.startsWith("alwa_20230622_144500_R.mp4 is missing"));
    EXPECT_TRUE(recorder.asked[0].text.endsWith("Export what can be read, leaving these out?"));
    EXPECT_TRUE(recorder.shown.isEmpty());
}

TEST(IncidentExportRunner, CameraTimesAndTheNewFolderName)
{
    const QDateTime moment(QDate(2023, 12, 31), QTime(23, 59, 58), Qt::UTC);
    EXPECT_EQ(dravonix::dateTimeOf(dravonix::cameraMsOf(moment)), moment);
    EXPECT_EQ(dravonix::cameraMsOf(moment), *dravonix::cameraTime(2023, 12, 31, 23, 59, 58));

    QTemporaryDir dir;
    const std::filesystem::path parent = dir.path().toStdString();
    const auto first = dravonix::freshExportFolder(parent, dravonix::cameraMsOf(moment));
    EXPECT_EQ(first.filename(), "incident_20231231_235958");
    std::filesystem::create_directory(first);
    std::filesystem::create_symlink("nowhere", parent / "incident_20231231_235958_2"); // a dangling link is taken too
    EXPECT_EQ(dravonix::freshExportFolder(parent, dravonix::cameraMsOf(moment)).filename(), "incident_20231231_235958_3");
}

TEST(IncidentExportRunner, ExportsARangeOfTheTestCard)
{
    const QByteArray card = qgetenv("DRAVONIX_TEST_CARD");
    if (card.isEmpty())
        GTEST_SKIP() << "DRAVONIX_TEST_CARD is not set";
    auto listed = dravonix::listRecordings(card);
    ASSERT_TRUE(listed);
    dravonix::RecordingSet set = dravonix::collectRecordings(listed->rows);
    dravonix::measureRecordings(set);
    const auto driving = std::find_if(set.recordings.begin(), set.recordings.end(),
                                      [](const dravonix::TripRecording& r) { return r.drives() && r.durationMs > 2000; });
    ASSERT_NE(driving, set.recordings.end());

    QTemporaryDir dir;
    ExportChoices choices;
    choices.from = dravonix::dateTimeOf(driving->start + 1000);
    choices.to = dravonix::dateTimeOf(driving->start + 2000);
    choices.combined = false;
    choices.targetFolder = dir.path();
    std::atomic<bool> cancel{false};
    QStringList steps;
    const ExportOutcome outcome = dravonix::incidentExportRunner(card)(
        choices, [&](const ExportStep& step) { steps << step.text; }, cancel);
    ASSERT_TRUE(outcome.ok) << outcome.message.toStdString();
    EXPECT_TRUE(QFileInfo(outcome.folder).fileName().startsWith("incident_"));
    EXPECT_TRUE(QFileInfo::exists(outcome.folder + "/SHA256SUMS"));
    EXPECT_TRUE(QFileInfo::exists(outcome.folder + "/route.gpx"));
    EXPECT_FALSE(QFileInfo::exists(outcome.folder + "/combined.mp4"));
    EXPECT_GE(steps.size(), 3);

    // A cancel before it starts leaves nothing behind.
    cancel = true;
    const ExportOutcome cancelled = dravonix::incidentExportRunner(card)(choices, [](const ExportStep&) {}, cancel);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(), 1);
}

TEST(IncidentExportRunner, TheExportModuleIsLookedForBesideTheProgramAndInTheBuildTreeOnlyFromIt)
{
    const auto installed = dravonix::exportModuleCandidates("/usr/bin/dravonix");
    ASSERT_EQ(installed.size(), 1u);
    EXPECT_TRUE(installed[0].starts_with("/usr/lib/")) << installed[0];
    EXPECT_TRUE(installed[0].ends_with("/dravonix/dravonix-export.so")) << installed[0];
    const auto inTree = dravonix::exportModuleCandidates(QCoreApplication::applicationFilePath().toStdString());
    ASSERT_EQ(inTree.size(), 2u);
    EXPECT_TRUE(std::filesystem::is_regular_file(inTree[1])) << inTree[1];
    EXPECT_TRUE(dravonix::exportModuleCandidates("").empty());
}
