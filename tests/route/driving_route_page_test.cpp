// The Information page over folders standing in for cards: the table's texts
// from logs good and bad, the position window's calls, and the export with
// its question and its failures.
#include "route/ui/driving_route_page.h"
#include "route/ui/route_table_model.h"
#include "../config/settings_card.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <sys/mount.h>

using namespace dravonix;

namespace {

DrivingRouteRecord record(std::uint16_t order)
{
    DrivingRouteRecord r;
    r.order = order;
    r.weekday = 6;
    r.status = 1;
    r.yearSince1900 = 115;
    r.month = 3;
    r.day = 14;
    r.hour = 9;
    r.minute = 5;
    r.latitudeWhole = 3733;
    r.latitudeFraction = 1234;
    r.longitudeWhole = 12701;
    r.longitudeFraction = 56;
    r.currentSpeed = 52;
    r.mileageTenths = 123456;
    r.topSpeed = 88;
    r.accelX = 5;
    r.accelY = -33;
    r.accelZ = 256;
    r.batteryTenths = 124;
    r.latitudeHemisphere = 'N';
    r.longitudeHemisphere = 'E';
    return r;
}

QByteArray routeBytes(std::uint32_t a, std::uint32_t b, std::vector<DrivingRouteRecord> records)
{
    DrivingRouteFile file;
    file.countA = a;
    file.countB = b;
    file.records = std::move(records);
    const auto bytes = encodeDrivingRouteFile(file);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString cell(const DrivingRoutePage& page, int row, int column)
{
    return page.model()->data(page.model()->index(row, column), Qt::DisplayRole).toString();
}

// A page on one folder volume, with every dialog, box and window recorded.
struct PageUnderTest {
    explicit PageUnderTest(const QString& cardFolder = {})
    {
        if (!cardFolder.isEmpty())
            volumes.add(cardFolder.toStdString(), "DRAVONIX");
        page = std::make_unique<DrivingRoutePage>(volumes);
        page->setMessagePresenter([this](QWidget*, const ShownMessage& m) { messages.push_back(m); });
        page->setQuestionAsker([this](QWidget*, const ShownMessage& q) {
            questions.push_back(q);
            return answerYes;
        });
        page->setOpenChooser([this](QWidget*) { return openAnswer; });
        page->setSaveChooser([this](QWidget*) {
            ++saveAsked;
            if (saveAnswers.empty())
                return QString();
            const QString next = saveAnswers.front();
            saveAnswers.pop_front();
            return next;
        });
    }
    QString lastMessage() const { return messages.empty() ? QString() : messages.back().text; }

    FolderVolumes volumes;
    std::unique_ptr<DrivingRoutePage> page;
    std::vector<ShownMessage> messages;
    std::vector<ShownMessage> questions;
    bool answerYes = true;
    QString openAnswer;
    std::deque<QString> saveAnswers;
    int saveAsked = 0;
};

struct PositionCall {
    enum Kind { Made, Shown, Placed } kind;
    double a = 0, b = 0;
    QRect where;
};

// Records what the page asks of its position window.
class RecordingWindow : public PositionWindow {
public:
    explicit RecordingWindow(std::vector<PositionCall>& calls) : calls_(calls) {}
    void showPosition(double longitude, double latitude) override { calls_.push_back({PositionCall::Shown, longitude, latitude, {}}); }
    void place(const QRect& geometry) override { calls_.push_back({PositionCall::Placed, 0, 0, geometry}); }

private:
    std::vector<PositionCall>& calls_;
};

} // namespace

TEST(RoutePage, TheCardsLogFillsTheTableWhenShown)
{
    QTemporaryDir root;
    QDir(root.path()).mkpath("empty");
    DrivingRouteRecord south = record(7);
    south.latitudeHemisphere = 'S';
    south.longitudeHemisphere = 'W';
    south.weekday = 9;
    south.status = 3;
    south.accelX = -128;
    south.batteryTenths = 5;
    std::vector<DrivingRouteRecord> records(10, record(1));
    records[1] = south;
    writeFile(root.filePath("card/DrvInfo/dravonix_000.drv"), routeBytes(10, 4, records));

    FolderVolumes volumes;
    volumes.add(root.filePath("empty").toStdString(), "");
    volumes.add(root.filePath("card").toStdString(), "DRAVONIX");
    DrivingRoutePage page(volumes);
    EXPECT_EQ(page.routePath(), root.filePath("card/DrvInfo/dravonix_000.drv"));
    EXPECT_EQ(page.model()->rowCount(), 0); // until the tab is shown
    page.fillTable();
    ASSERT_EQ(page.model()->rowCount(), 4); // B = 4 is below A = 10
    EXPECT_EQ(page.status(), "dravonix_000.drv: 4 records");

    const QStringList first{"1", "1", "2015/03/14", "09:05:00", "SAT", "3733.1234", "12701.0056", "12345.6", "52", "88", "A", "+0.02", "-0.13", "+1.00", "12.4"};
    for (int c = 0; c < kRouteColumns; ++c)
        EXPECT_EQ(cell(page, 0, c), first[c]) << "column " << c;
    EXPECT_EQ(cell(page, 1, 0), "2");
    EXPECT_EQ(cell(page, 1, 1), "7");
    EXPECT_EQ(cell(page, 1, 4), "");   // no weekday 9
    EXPECT_EQ(cell(page, 1, 10), "V"); // status 3
    EXPECT_EQ(cell(page, 1, 11), "-0.50");
    EXPECT_EQ(cell(page, 1, 14), " 0.5");

    const QStringList titles{"No.", "Order", "Date", "Time", "Day", "Latitude", "Longitude", "Mileage", "Current Speed", "Top Speed", "Value", "X", "Y", "Z", "BAT"};
    // The camera's widths, or wider where this font needs it for the cells.
    const int widths[] = {38, 38, 86, 72, 38, 64, 72, 60, 60, 60, 24, 48, 48, 48, 48};
    const QFontMetrics metrics(page.table()->font());
    for (int c = 0; c < kRouteColumns; ++c) {
        EXPECT_EQ(page.model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), titles[c]);
        EXPECT_GE(page.table()->columnWidth(c), widths[c]);
        EXPECT_GE(page.table()->columnWidth(c), metrics.horizontalAdvance(cell(page, 0, c)) + 6) << "column " << c;
    }
    EXPECT_EQ(page.table()->columnWidth(10), 24); // "A" fits the camera's width
    EXPECT_EQ(page.table()->geometry(), QRect(0, 0, 626, 452));
    // Below the table, Open left of Export; 25 pixels high so that the font fits.
    EXPECT_EQ(page.findChild<QPushButton*>("exportButton")->geometry(), QRect(530, 460, 86, 25));
    EXPECT_EQ(page.findChild<QPushButton*>("openButton")->geometry(), QRect(430, 460, 86, 25));

    page.release();
    EXPECT_EQ(page.model()->rowCount(), 0);
}

TEST(RoutePage, LogsThatAreShortEmptyOrNotLogsAtAll)
{
    QTemporaryDir root;
    PageUnderTest t; // no card at all
    EXPECT_TRUE(t.page->routePath().isEmpty());
    EXPECT_TRUE(t.page->status().startsWith("No route log on a card"));
    t.page->fillTable();
    EXPECT_EQ(t.page->model()->rowCount(), 0);

    // Shorter than its header says: the whole records present, and the status says so.
    QByteArray truncated = routeBytes(10, 0, std::vector<DrivingRouteRecord>(3, record(1)));
    truncated.append(QByteArray(39, '\x11'));
    writeFile(root.filePath("short.drv"), truncated);
    t.openAnswer = root.filePath("short.drv");
    t.page->findChild<QPushButton*>("openButton")->click();
    EXPECT_EQ(t.page->model()->rowCount(), 3);
    EXPECT_EQ(t.page->status(), "short.drv: the header announces 10 records, the file holds 3");
    EXPECT_TRUE(t.messages.empty());

    // Four billion records claimed: what is there.
    writeFile(root.filePath("huge.drv"), routeBytes(0xFFFFFFFF, 0, std::vector<DrivingRouteRecord>(2, record(1))));
    EXPECT_TRUE(t.page->openRouteFile(root.filePath("huge.drv")));
    EXPECT_EQ(t.page->model()->rowCount(), 2);
    EXPECT_EQ(t.page->status(), "huge.drv: the header announces 4294967295 records, the file holds 2");

    // Empty, and not a file: said, and the table is emptied.
    writeFile(root.filePath("empty.drv"), {});
    EXPECT_FALSE(t.page->openRouteFile(root.filePath("empty.drv")));
    EXPECT_EQ(t.page->model()->rowCount(), 0);
    EXPECT_EQ(t.lastMessage(), root.filePath("empty.drv") + " could not be read: is shorter than its 12-byte header");
    EXPECT_FALSE(t.page->openRouteFile(root.path()));
    EXPECT_TRUE(t.lastMessage().endsWith("could not be read: is a folder"));

    // Not a route log at all: a header of text; its bytes show as records, the status tells the count.
    writeFile(root.filePath("photo.drv"), QByteArray("\x89PNG\r\n\x1a\n") + QByteArray(92, 'x'));
    EXPECT_TRUE(t.page->openRouteFile(root.filePath("photo.drv")));
    EXPECT_EQ(t.page->model()->rowCount(), 2);
    EXPECT_TRUE(t.page->status().contains("the file holds 2")) << t.page->status().toStdString();

    // A cancelled chooser leaves everything as it was.
    t.openAnswer.clear();
    t.page->openFile();
    EXPECT_EQ(t.page->routePath(), root.filePath("photo.drv"));
    EXPECT_EQ(t.page->model()->rowCount(), 2);
}

TEST(RoutePage, ALogTooLargeToShowIsShownInPartAndSaysSo)
{
    // A card's log of gigabytes would take many times its size in memory,
    // twice over with the table's copy: the page takes its first 4,194,304 records.
    QTemporaryDir root;
    PageUnderTest t;
    const QString path = root.filePath("vast.drv");
    writeFile(path, routeBytes(0xFFFFFFFF, 0, {record(7)}));
    ASSERT_TRUE(QFile::resize(path, 12 + 40 * qint64{4194304 + 10})); // sparse: reads as zeros
    EXPECT_TRUE(t.page->openRouteFile(path));
    EXPECT_EQ(t.page->model()->rowCount(), 4194304);
    EXPECT_EQ(t.page->model()->records().front().order, 7);
    EXPECT_EQ(t.page->status(), "vast.drv: the file holds 4194314 records; the first 4194304 are shown");
}

TEST(RoutePage, DoubleClickShowsEachSelectedRecordAndANewWindowShowsItsRecord)
{
    QTemporaryDir root;
    DrivingRouteRecord south = record(2);
    south.latitudeHemisphere = 'S';
    south.longitudeHemisphere = 'W';
    south.latitudeWhole = 3350;
    DrivingRouteRecord noHemisphere = record(3);
    noHemisphere.latitudeHemisphere = 0;
    noHemisphere.longitudeHemisphere = 0;
    writeFile(root.filePath("card/DrvInfo/dravonix_000.drv"), routeBytes(3, 0, {record(1), south, noHemisphere}));
    PageUnderTest t(root.filePath("card"));
    std::vector<PositionCall> calls;
    std::function<void()> closeIt;
    t.page->setPositionWindowFactory([&](double latitude, double longitude, QWidget*, std::function<void()> close) {
        calls.push_back({PositionCall::Made, latitude, longitude, {}});
        closeIt = std::move(close);
        return std::make_unique<RecordingWindow>(calls);
    });
    t.page->resize(626, 490);
    t.page->show();
    t.page->fillTable();

    // A real double-click on the second row makes the window with that record's signed position.
    QTableView* table = t.page->table();
    const QPoint second = table->visualRect(t.page->model()->index(1, 2)).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, second);
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0].kind, PositionCall::Made);
    EXPECT_DOUBLE_EQ(calls[0].a, -3350.1234);
    EXPECT_DOUBLE_EQ(calls[0].b, -12701.0056);
    EXPECT_EQ(calls[1].kind, PositionCall::Placed);
    const QPoint pageAt = t.page->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(calls[1].where, QRect(pageAt.x() + 650, pageAt.y(), 471, 729));
    ASSERT_NE(t.page->positionWindow(), nullptr);

    // Several rows: each in table order, longitude first, the last one stays.
    calls.clear();
    table->selectAll();
    t.page->showSelectionOnMap();
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0].kind, PositionCall::Shown);
    EXPECT_DOUBLE_EQ(calls[0].a, 12701.0056);
    EXPECT_DOUBLE_EQ(calls[0].b, 3733.1234);
    EXPECT_DOUBLE_EQ(calls[2].a, -12701.0056);
    EXPECT_DOUBLE_EQ(calls[2].b, -3350.1234);
    EXPECT_DOUBLE_EQ(calls[4].a, 12701.0056); // a 0 hemisphere byte counts as north and east
    EXPECT_DOUBLE_EQ(calls[4].b, 3733.1234);
    EXPECT_EQ(calls[5].kind, PositionCall::Placed);

    // Closed by the user: the next double-click makes a new one, again at the record.
    closeIt();
    EXPECT_EQ(t.page->positionWindow(), nullptr);
    calls.clear();
    table->selectRow(1);
    t.page->showSelectionOnMap();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].kind, PositionCall::Made);
    EXPECT_DOUBLE_EQ(calls[0].a, -3350.1234);
    EXPECT_DOUBLE_EQ(calls[0].b, -12701.0056);

    t.page->release();
    EXPECT_EQ(t.page->positionWindow(), nullptr);
}

TEST(RoutePage, ExportWritesTheTableAndAsksBeforeReplacing)
{
    QTemporaryDir root;
    writeFile(root.filePath("card/DrvInfo/dravonix_000.drv"), routeBytes(3, 0, {record(1), record(5), record(9)}));
    PageUnderTest t(root.filePath("card"));

    // Nothing shown, nothing to export: no dialog at all.
    EXPECT_EQ(t.page->exportTable(), DrivingRoutePage::ExportResult::NothingToExport);
    EXPECT_EQ(t.saveAsked, 0);

    t.page->fillTable();
    const QString target = root.filePath("dravonix_drv.csv");
    t.saveAnswers = {target};
    t.page->findChild<QPushButton*>("exportButton")->click();
    const QList<QByteArray> lines = readFile(target).split('\n');
    ASSERT_EQ(lines.size(), 5); // four lines, each ending in a line feed
    EXPECT_EQ(lines[0], "No.,Order,Date,Time,Day,Latitude,Longitude,Mileage,Current Speed,Top Speed,Value,X,Y,Z,BAT");
    EXPECT_EQ(lines[1], "1,1,2015/03/14,09:05:00,SAT,3733.1234,12701.0056,12345.6,52,88,A,+0.02,-0.13,+1.00,12.4");
    EXPECT_TRUE(lines[2].startsWith("2,5,"));
    EXPECT_TRUE(lines[3].startsWith("3,9,"));
    EXPECT_TRUE(lines[4].isEmpty());
    EXPECT_FALSE(readFile(target).contains('\r'));
    EXPECT_TRUE(t.questions.empty());

    // An existing file: asked; No goes back to the chooser, Yes replaces it whole.
    writeFile(target, QByteArray(5000, 'o'));
    t.answerYes = false;
    t.saveAnswers = {target};
    EXPECT_EQ(t.page->exportTable(), DrivingRoutePage::ExportResult::Cancelled);
    EXPECT_EQ(t.questions.size(), 1u);
    EXPECT_EQ(t.questions.back().text, target + " already exists.\nDo you want to replace it?");
    EXPECT_EQ(readFile(target), QByteArray(5000, 'o'));
    t.answerYes = true;
    t.saveAnswers = {target};
    EXPECT_EQ(t.page->exportTable(), DrivingRoutePage::ExportResult::Exported);
    EXPECT_EQ(readFile(target).count('\n'), 4);
    EXPECT_EQ(readFile(target).size(), lines.join('\n').size());

    // The route log itself is never the export's target.
    const QString log = root.filePath("card/DrvInfo/dravonix_000.drv");
    const QByteArray logBytes = readFile(log);
    t.saveAnswers = {log};
    EXPECT_EQ(t.page->exportTable(), DrivingRoutePage::ExportResult::Failed);
    EXPECT_EQ(readFile(log), logBytes);
    EXPECT_TRUE(t.lastMessage().contains("is the route log the table shows")) << t.lastMessage().toStdString();
}

TEST(RoutePage, AnExportThatCannotBeWrittenSaysSoAndKeepsTheOldFile)
{
    QTemporaryDir root;
    writeFile(root.filePath("card/DrvInfo/dravonix_000.drv"), routeBytes(1, 0, {record(1)}));
    PageUnderTest t(root.filePath("card"));
    t.page->fillTable();

    // A folder that isn't there.
    t.saveAnswers = {root.filePath("missing/out.csv")};
    EXPECT_EQ(t.page->exportTable(), DrivingRoutePage::ExportResult::Failed);
    EXPECT_TRUE(t.lastMessage().startsWith("The route table could not be exported to " + root.filePath("missing/out.csv")))
        << t.lastMessage().toStdString();
    EXPECT_TRUE(t.lastMessage().contains("No such file or directory")) << t.lastMessage().toStdString();

    // A small file system, full, then read-only, where one can be mounted;
    // otherwise the writer's failures are handed in.
    const QString small = root.filePath("small");
    QDir().mkpath(small);
    const bool mounted = ::mount("tmpfs", small.toLocal8Bit().constData(), "tmpfs", 0, "size=16k") == 0;
    const QString old = small + "/dravonix_drv.csv";
    if (mounted) {
        writeFile(old, "the older export\n");
        QFile filler(small + "/filler");
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(1024, 'f')) > 0 && filler.flush()) {
        }
        filler.close();
    } else {
        t.page->setCsvWriter([](const auto&, const auto&, const auto&) {
            WriteOutcome full;
            full.systemError = ENOSPC;
            full.message = "writing .dravonix_drv.csv.XXXXXX.dravonix-tmp: No space left on device";
            return full;
        });
        writeFile(old, "the older export\n");
    }
    t.saveAnswers = {old};
    EXPECT_EQ(t.page->exportTable(), DrivingRoutePage::ExportResult::Failed);
    EXPECT_TRUE(t.lastMessage().contains("No space left on device")) << t.lastMessage().toStdString();
    EXPECT_EQ(readFile(old), "the older export\n");

    if (mounted) {
        ASSERT_EQ(::mount(nullptr, small.toLocal8Bit().constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    } else {
        t.page->setCsvWriter([](const auto&, const auto&, const auto&) {
            WriteOutcome readOnly;
            readOnly.writeProtected = true;
            readOnly.systemError = EROFS;
            readOnly.message = "cannot create a file beside dravonix_drv.csv: Read-only file system";
            return readOnly;
        });
    }
    t.saveAnswers = {old};
    EXPECT_EQ(t.page->exportTable(), DrivingRoutePage::ExportResult::Failed);
    ASSERT_FALSE(t.messages.empty());
    EXPECT_EQ(t.messages.back().icon, QMessageBox::Critical);
    EXPECT_EQ(t.messages.back().caption, "Error");
    EXPECT_TRUE(t.messages.back().text.startsWith("The disk cannot be written to because it is write protected."));
    EXPECT_TRUE(t.messages.back().details.contains("Read-only file system")) << t.messages.back().details.toStdString();
    EXPECT_EQ(readFile(old), "the older export\n");
    if (mounted)
        ::umount(small.toLocal8Bit().constData());
    else
        GTEST_SKIP() << "no tmpfs could be mounted: the full and read-only file systems were handed-in failures";
}

TEST(RoutePage, IsTheSettingsDialogsEighthTabAndLooksRight)
{
    dravonix::testing::SettingsCard card;
    std::vector<DrivingRouteRecord> records;
    for (std::uint16_t i = 1; i <= 40; ++i) {
        DrivingRouteRecord r = record(i);
        r.second = static_cast<std::uint8_t>(i % 60);
        r.latitudeFraction = static_cast<std::uint16_t>(1000 + 37 * i);
        r.currentSpeed = static_cast<std::uint16_t>(40 + i);
        records.push_back(r);
    }
    writeFile(card.folder() + "/DrvInfo/dravonix_000.drv", routeBytes(40, 0, records));
    SettingsDialog& dialog = card.open();
    dialog.show();
    DrivingRoutePage* page = dialog.informationPage();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(dialog.tabs()->widget(7), page);
    EXPECT_EQ(dialog.tabs()->tabText(7), "Information");
    EXPECT_EQ(page->model()->rowCount(), 0);
    dialog.tabs()->setCurrentIndex(7);
    EXPECT_EQ(page->model()->rowCount(), 40);
    const QString folder = qEnvironmentVariable("DRAVONIX_SCREENSHOTS");
    if (!folder.isEmpty())
        dialog.grab().save(QDir(folder).filePath("route-information-page.png"));

    // Another log opened, another tab and back: the opened log stays.
    writeFile(card.folder() + "/other.drv", routeBytes(2, 0, {record(1), record(2)}));
    page->openRouteFile(card.folder() + "/other.drv");
    dialog.tabs()->setCurrentIndex(0);
    dialog.tabs()->setCurrentIndex(7);
    EXPECT_EQ(page->model()->rowCount(), 2);

    dialog.reject(); // Cancel lets the records go
    EXPECT_EQ(page->model()->rowCount(), 0);
}
