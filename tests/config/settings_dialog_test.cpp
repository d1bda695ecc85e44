// The settings dialog's frame over card folders: opening, Save with its
// checks and the bytes it writes, Initialize, Cancel, and the failures.
#include "config/page_rules.h"
#include "config/ui/pages/basic_page.h"
#include "settings_card.h"
#include "toolkit/atomic_file_steps.h"
#include "toolkit/range_slider_model.h"
#include "toolkit/ui/range_slider.h"

#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <unistd.h>

using namespace dravonix;
using dravonix::testing::SettingsCard;

namespace {

QString editText(const SettingsCard& card, const char* name)
{
    const auto* edit = card.find<QLineEdit>(QString::fromLatin1(name));
    return edit == nullptr ? QStringLiteral("<no box>") : edit->text();
}

void type(const SettingsCard& card, const char* box, const QString& text)
{
    auto* edit = card.find<QLineEdit>(QString::fromLatin1(box));
    ASSERT_NE(edit, nullptr) << box;
    edit->setText(text);
}

// The record written byte by byte from the camera's table, independently of
// the dialog: the defaults with the changes the test makes.
QByteArray expectedBytes(std::uint16_t magic, const std::vector<std::pair<std::size_t, std::uint32_t>>& words,
                         const std::vector<std::pair<std::size_t, std::string>>& texts)
{
    DeviceConfig config;
    config.setMagic(magic);
    for (const auto& [at, v] : words)
        config.setU32(at, v);
    for (const auto& [at, text] : texts)
        config.setText(at, at == 256 ? 8 : 16, text);
    std::uint16_t sum = 0;
    for (std::size_t at = 4; at <= 496; at += 4)
        sum ^= static_cast<std::uint16_t>(config.bytes()[at] | (config.bytes()[at + 1] << 8));
    config.setU16(2, sum);
    return QByteArray(reinterpret_cast<const char*>(config.bytes().data()), 500);
}

} // namespace

TEST(SettingsDialog, OpensOnTheCardWithItsPathInTheTitle)
{
    SettingsCard card;
    DeviceConfig record;
    record.setMicrophone(0);
    card.write(record);
    SettingsDialog& dialog = card.open(QStringLiteral("/nonexistent/spare=SPARE;") + card.folder() + QStringLiteral("=dashcam"));
    EXPECT_EQ(dialog.windowTitle(), "Device Settings : " + card.configFile());
    EXPECT_EQ(dialog.configPath(), card.configFile());
    EXPECT_EQ(dialog.size(), QSize(640, 600));
    EXPECT_EQ(dialog.tabs()->geometry(), QRect(2, 2, 632, 518));
    EXPECT_EQ(dialog.config().microphone(), 0u);

    const QStringList captions{"Video", "Basic", "GPS", "Additional", "Parking Mode", "ADAS", "Audio", "Information"};
    ASSERT_EQ(dialog.tabs()->count(), captions.size());
    for (int i = 0; i < captions.size(); ++i)
        EXPECT_EQ(dialog.tabs()->tabText(i), captions[i]);
    EXPECT_EQ(dialog.tabs()->currentIndex(), 0);
    EXPECT_EQ(dialog.tabs()->widget(7)->objectName(), "informationPage");

    auto* format = card.find<QPushButton>("formatButton");
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->text(), "SD Card Format");
    EXPECT_TRUE(format->isEnabled());
    EXPECT_FALSE(format->isHidden());
    const QRect save = card.find<QPushButton>("saveButton")->geometry();
    const QRect cancel = card.find<QPushButton>("cancelButton")->geometry();
    const QRect initialize = card.find<QPushButton>("initializeButton")->geometry();
    EXPECT_GT(cancel.left(), save.right()); // Cancel rightmost
    EXPECT_GT(save.left(), initialize.right());
    EXPECT_GE(save.top(), 520);
    EXPECT_EQ(save.top(), cancel.top());
    EXPECT_LE(cancel.right(), 640);
}

TEST(SettingsDialog, CardsThatAreNotTheCamerasOpenWithTheDefaults)
{
    for (const int size : {0, 499, 501}) {
        SettingsCard card;
        DeviceConfig record;
        record.setMicrophone(0);
        card.write(QByteArray(reinterpret_cast<const char*>(record.bytes().data()), 500).left(size).leftJustified(size, 'x'));
        SettingsDialog& dialog = card.open();
        EXPECT_EQ(dialog.windowTitle(), "Device Settings") << size;
        EXPECT_EQ(dialog.config(), DeviceConfig()) << size;
        EXPECT_TRUE(card.messages.empty());
    }
    SettingsCard folder;
    QDir(folder.folder()).mkdir(QStringLiteral("config.bin"));
    EXPECT_EQ(folder.open().windowTitle(), "Device Settings");
}

TEST(SettingsDialog, SaveWritesTheFull500BytesWithAFreshChecksum)
{
    SettingsCard card;
    DeviceConfig record;
    record.setMagic(0x1234); // a card's own magic goes back as it came
    record.setU16(2, 0xDEAD); // and a wrong checksum is recomputed
    card.write(record);
    SettingsDialog& dialog = card.open();
    dialog.show();
    card.click("rearVideoQuality.1");
    card.click("weeklyAlarmDay.3");
    card.click("parkingLevel.2");
    card.click("drivingLevel.5");
    type(card, "drivingImpactX", QStringLiteral("0.29")); // stored truncated: 28
    type(card, "drivingImpactY", QStringLiteral("1.5"));
    type(card, "drivingImpactZ", QStringLiteral("0.05"));
    type(card, "plateText", QStringLiteral("77GA1234"));
    type(card, "wifiName", QStringLiteral("Dash!"));
    type(card, "wifiPassword", QStringLiteral("12345678"));
    EXPECT_EQ(dialog.save(), SettingsDialog::SaveResult::Saved);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    const QByteArray expected = expectedBytes(0x1234,
                                              {{264, 1}, {176, 3}, {88, 28}, {92, 150}, {96, 5}, {104, 15}, {108, 15},
                                               {112, 15}, {156, 1}},
                                              {{256, "77GA1234"}, {356, "Dash!"}, {372, "12345678"}});
    const QByteArray written = card.bytes();
    ASSERT_EQ(written.size(), 500);
    for (int i = 0; i < 500; ++i)
        EXPECT_EQ(static_cast<unsigned char>(written[i]), static_cast<unsigned char>(expected[i])) << "offset " << i;
    EXPECT_TRUE(card.messages.size() == 1 && card.lastMessage().startsWith("Changing video quality"));
}

TEST(SettingsDialog, UnlistedValuesGoBackAsTheyCameUnlessClicked)
{
    SettingsCard card;
    DeviceConfig record;
    record.setFrontVideoQuality(7);
    record.setTimeZone(40);
    record.setVoiceLanguage(2);
    record.setCutOffVoltage(13000);
    record.setCableVoltageLoss(0);
    record.setParkingStandbySeconds(45);
    record.setSpeedOnVideo(5);
    record.setNightExposure(9);
    record.setPipPosition(6);
    record.setLdwsSpeed(35);
    record.setWifiChannel(99);
    record.setHighTempEntryTemperature(500);            // outside the spin control's range
    record.setHighTempReleaseTemperature(0xFFFFFFE2u);  // -30
    record.setU32(420, 0xCAFEF00D);                     // reserved
    record.bytes()[403] = 0x77;
    record.setPlatePresent(1); // Save marks a typed plate as present
    record.setShareAlways(72); // not a step of 5, yet a whole split
    record.setShareParking(18);
    record.setShareEvent(10);
    card.write(record);
    record.updateChecksum();
    const QByteArray before(reinterpret_cast<const char*>(record.bytes().data()), 500);
    SettingsDialog& dialog = card.open();
    EXPECT_TRUE(card.checkedIn("frontVideoQuality").isEmpty());
    EXPECT_EQ(dialog.save(), SettingsDialog::SaveResult::Saved);
    EXPECT_EQ(card.bytes(), before);
}

TEST(SettingsDialog, SaveChecksTheTypedFieldsInOrderAndKeepsTheCardsFile)
{
    SettingsCard card;
    card.write(DeviceConfig());
    const QByteArray original = card.bytes();
    SettingsDialog& dialog = card.open();
    const auto refused = [&](const char* expectedText) {
        const std::size_t shownBefore = card.messages.size();
        EXPECT_EQ(dialog.save(), SettingsDialog::SaveResult::Refused) << expectedText;
        EXPECT_EQ(card.messages.size(), shownBefore + 1);
        EXPECT_EQ(card.lastMessage(), QString::fromUtf8(expectedText));
        EXPECT_EQ(card.messages.back().message.icon, QMessageBox::Warning);
        EXPECT_EQ(card.messages.back().message.caption, dialog.windowTitle());
        EXPECT_EQ(card.bytes(), original);
        EXPECT_NE(dialog.result(), QDialog::Accepted);
    };
    const char* range = "G-Sensor value has exceeded effective range.(0.05-1.50)";

    // Not custom: whatever is typed into the boxes is ignored.
    type(card, "drivingImpactX", QStringLiteral("abc"));
    type(card, "plateText", QStringLiteral("12-AB"));
    refused("Please enter valid lisence plate number.");
    EXPECT_EQ(dialog.config().drivingImpactX(), 50u);

    card.click("drivingLevel.5");
    type(card, "drivingImpactX", QStringLiteral("abc"));
    refused(range);
    EXPECT_EQ(editText(card, "drivingImpactX"), "0.00"); // rewritten
    type(card, "drivingImpactX", QStringLiteral("1.51"));
    refused(range);
    type(card, "drivingImpactX", QStringLiteral("1.5"));
    type(card, "drivingImpactY", QStringLiteral("0.04"));
    refused(range);
    EXPECT_EQ(editText(card, "drivingImpactY"), "0.04");
    type(card, "drivingImpactY", QStringLiteral("0.05"));

    card.click("parkingLevel.5");
    type(card, "parkingImpactZ", QStringLiteral("2"));
    refused(range);
    EXPECT_EQ(editText(card, "parkingImpactZ"), "2.00");
    type(card, "parkingImpactZ", QStringLiteral("0.10"));

    refused("Please enter valid lisence plate number."); // the hyphen
    type(card, "plateText", QStringLiteral("12 AB"));
    refused("Please enter valid lisence plate number.");
    type(card, "plateText", QString());
    type(card, "wifiName", QStringLiteral("abcd"));
    refused("The ssid must enter at least 5 characters.");
    EXPECT_EQ(dialog.config().plateText()[0], 0); // applied before the failure, and kept
    type(card, "wifiName", QStringLiteral("my car"));
    refused("Invalid characters in the SSID has been entered.");
    type(card, "wifiName", QStringLiteral("abcde"));
    type(card, "wifiPassword", QStringLiteral("a b"));
    refused("The password must be at least 8 characters.");
    type(card, "wifiPassword", QStringLiteral("abcd efgh"));
    refused("Invalid characters in a password has been entered.");
    type(card, "wifiPassword", QStringLiteral("abcdefgh"));
    EXPECT_EQ(dialog.save(), SettingsDialog::SaveResult::Saved);
    EXPECT_EQ(card.saved().drivingImpactX(), 150u);
    EXPECT_EQ(card.saved().drivingImpactY(), 5u);
    EXPECT_EQ(card.saved().parkingImpactZ(), 10u);
    EXPECT_EQ(card.saved().platePresent(), 0u);
    EXPECT_EQ(card.saved().text(356, 16), "abcde");
}

TEST(SettingsDialog, InitializeKeepsTheCardsFieldsOnlyWithACard)
{
    SettingsCard card;
    DeviceConfig record;
    record.setTimeZone(3);
    record.setSummerTime(1);
    record.setVoiceLanguage(14);
    record.setFrontVideoQuality(0);
    record.setDrivingImpactZ(44);
    card.write(record);
    SettingsDialog& dialog = card.open();
    auto* slider = card.find<RangeSlider>("cardShares");
    const int y = slider->height() / 2;
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(RangeSliderModel::centreForValue(70, slider->width()), y));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(RangeSliderModel::centreForValue(60, slider->width()), y));
    type(card, "plateText", QStringLiteral("XYZ"));
    const QByteArray before = card.bytes();

    dialog.initialize();
    EXPECT_EQ(dialog.config().shareAlways(), 60u); // the moved shares stay
    EXPECT_EQ(dialog.config().shareParking(), 30u);
    EXPECT_EQ(dialog.config().timeZone(), 3u);
    EXPECT_EQ(dialog.config().summerTime(), 1u);
    EXPECT_EQ(dialog.config().voiceLanguage(), 14u);
    EXPECT_EQ(dialog.config().frontVideoQuality(), 2u);
    EXPECT_EQ(dialog.context().drivingLevel, 2);
    EXPECT_EQ(card.checkedIn("drivingLevel"), QStringList{"drivingLevel.2"});
    EXPECT_EQ(card.checkedIn("frontVideoQuality"), QStringList{"frontVideoQuality.2"});
    EXPECT_EQ(editText(card, "plateText"), "Dravonix");
    EXPECT_EQ(card.find<QLabel>("shareAlwaysLabel")->text(), "Always :   60%");
    EXPECT_EQ(card.bytes(), before); // nothing written
    EXPECT_EQ(dialog.windowTitle(), "Device Settings : " + card.configFile());

    // Without a card everything returns to the defaults.
    SettingsCard none;
    SettingsDialog& blank = none.open(none.folder() + QStringLiteral("=")); // a volume without config.bin
    QTest::mousePress(none.find<RangeSlider>("cardShares"), Qt::LeftButton, {}, QPoint(RangeSliderModel::centreForValue(70, 380), y));
    QTest::mouseRelease(none.find<RangeSlider>("cardShares"), Qt::LeftButton, {}, QPoint(RangeSliderModel::centreForValue(50, 380), y));
    emit none.find<QComboBox>("timeZone")->activated(5);
    EXPECT_EQ(blank.config().shareAlways(), 50u);
    blank.initialize();
    EXPECT_EQ(blank.config(), DeviceConfig());
    EXPECT_EQ(none.find<RangeSlider>("cardShares")->first(), 70);
}

TEST(SettingsDialog, CancelWritesNothing)
{
    SettingsCard card;
    card.write(DeviceConfig());
    const QByteArray before = card.bytes();
    SettingsDialog& dialog = card.open();
    dialog.show();
    card.click("frontBrightness.4");
    card.find<QPushButton>("cancelButton")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(card.bytes(), before);
}

TEST(SettingsDialog, SaveTargetsWithoutAKnownCard)
{
    // The only removable volume gets the file, though it had none.
    {
        SettingsCard card;
        SettingsDialog& dialog = card.open();
        EXPECT_EQ(dialog.save(), SettingsDialog::SaveResult::Saved);
        EXPECT_EQ(card.bytes().size(), 500);
        EXPECT_EQ(card.asked, 0);
    }
    // Two volumes, neither labelled for the camera: the user is asked; cancelling says nothing.
    {
        SettingsCard card;
        QTemporaryDir other;
        SettingsDialog& dialog = card.open(card.folder() + QStringLiteral("=A;") + other.path() + QStringLiteral("=B"));
        EXPECT_EQ(dialog.save(), SettingsDialog::SaveResult::NoTarget);
        EXPECT_EQ(card.asked, 1);
        EXPECT_TRUE(card.messages.empty());
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        card.answer = other.filePath(QStringLiteral("chosen.bin"));
        EXPECT_EQ(dialog.save(), SettingsDialog::SaveResult::Saved);
        EXPECT_EQ(QFileInfo(card.answer).size(), 500);
        EXPECT_FALSE(QFile::exists(card.configFile()));
    }
    // With a volume labelled for the camera among them, that one.
    {
        SettingsCard card;
        QTemporaryDir other;
        SettingsDialog& dialog = card.open(other.path() + QStringLiteral("=B;") + card.folder() + QStringLiteral("=DRAVONIX"));
        EXPECT_EQ(dialog.save(), SettingsDialog::SaveResult::Saved);
        EXPECT_EQ(card.bytes().size(), 500);
        EXPECT_EQ(card.asked, 0);
    }
}

TEST(SettingsDialog, WritesToADriveOnRequestWithoutClosing)
{
    SettingsCard card;
    QTemporaryDir other;
    SettingsDialog& dialog = card.open(card.folder() + QStringLiteral("=A;") + other.path() + QStringLiteral("=B"));
    dialog.show();
    card.click("microphone.0");
    EXPECT_EQ(dialog.saveToDrive(other.path() + QLatin1Char('/')), SettingsDialog::SaveResult::Saved);
    EXPECT_TRUE(dialog.isVisible());
    QFile written(other.filePath(QStringLiteral("config.bin")));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().at(48), '\0');
    EXPECT_EQ(dialog.configPath(), other.filePath(QStringLiteral("config.bin")));
    EXPECT_EQ(card.asked, 0);
}

TEST(SettingsDialog, ACardTakenOutIsNotSavedIntoWhatItLeftBehind)
{
    SettingsCard card;
    card.write(DeviceConfig());
    SettingsDialog& dialog = card.open();
    card.click("microphone.0");
    card.takeOut();
    QFile::remove(card.configFile()); // what is left is an empty folder of this computer's
    EXPECT_EQ(dialog.save(), SettingsDialog::SaveResult::NoTarget);
    EXPECT_FALSE(QFile::exists(card.configFile()));
    EXPECT_EQ(card.asked, 0);
    EXPECT_TRUE(card.lastMessage().contains(QStringLiteral("is no longer there"))) << card.lastMessage().toStdString();
    EXPECT_TRUE(card.checked("microphone.0")); // the edits are kept
}

TEST(SettingsDialog, AFailedWriteKeepsTheDialogAndTheEdits)
{
    SettingsCard card;
    card.write(DeviceConfig());
    SettingsDialog& dialog = card.open();
    dialog.show();
    card.click("microphone.1");

    // The card is pulled between opening and Save.
    QDir(card.folder()).removeRecursively();
    EXPECT_EQ(dialog.save(), SettingsDialog::SaveResult::Failed);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.config().microphone(), 1u);
    ASSERT_FALSE(card.messages.empty());
    EXPECT_EQ(card.messages.back().message.icon, QMessageBox::Warning);
    EXPECT_TRUE(card.lastMessage().contains(card.configFile())) << card.lastMessage().toStdString();
    EXPECT_TRUE(card.lastMessage().contains("No such file or directory")) << card.lastMessage().toStdString();

    // Back in, but write-protected: string 300, titled "Error", with the error icon.
    QDir().mkpath(card.folder());
    detail::replaceSteps().rename = [](const char*, const char*) {
        errno = EROFS;
        return -1;
    };
    EXPECT_EQ(dialog.save(), SettingsDialog::SaveResult::WriteProtected);
    detail::restoreReplaceSteps();
    EXPECT_EQ(card.messages.back().message.icon, QMessageBox::Critical);
    EXPECT_EQ(card.messages.back().message.caption, "Error");
    EXPECT_EQ(card.lastMessage(), "The disk cannot be written to because it is write protected.\n\nPlease remove the write "
                                  "protection from the volume in drive");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(QFile::exists(card.configFile()));

    EXPECT_EQ(dialog.save(), SettingsDialog::SaveResult::Saved);
    EXPECT_EQ(card.saved().microphone(), 1u);
}

TEST(SettingsDialog, AnUnreadableCardFileIsSaidAndNotTakenForTheDefaults)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file; run as another user";
    SettingsCard card;
    card.write(DeviceConfig());
    QFile(card.configFile()).setPermissions(QFileDevice::WriteOwner);
    SettingsDialog& dialog = card.open();
    EXPECT_EQ(dialog.windowTitle(), "Device Settings : " + card.configFile());
    QCoreApplication::processEvents();
    ASSERT_EQ(card.messages.size(), 1u);
    EXPECT_TRUE(card.lastMessage().startsWith("The settings on the card could not be read")) << card.lastMessage().toStdString();
    EXPECT_TRUE(card.lastMessage().contains("Permission denied"));
}

TEST(SettingsDialog, MessagesAreRealMessageBoxes)
{
    ShownMessage seen;
    QString seenTitle;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = {box->icon(), box->windowTitle(), box->text()};
        box->accept();
    });
    showMessageBox(nullptr, {QMessageBox::Critical, QStringLiteral("Error"), QStringLiteral("text")});
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.caption, "Error");
    EXPECT_EQ(seen.text, "text");
}

TEST(SettingsDialog, EveryPageLooksRight)
{
    const QString folder = qEnvironmentVariable("DRAVONIX_SCREENSHOTS");
    SettingsCard card;
    DeviceConfig record;
    record.setDrivingImpactZ(44);
    card.write(record);
    SettingsDialog& dialog = card.open();
    dialog.show();
    for (int i = 0; i < dialog.tabs()->count(); ++i) {
        dialog.tabs()->setCurrentIndex(i);
        QWidget* page = dialog.tabs()->currentWidget();
        // Nothing a page shows may spill out of it.
        for (QWidget* child : page->findChildren<QWidget*>()) {
            if (!child->isVisibleTo(page))
                continue;
            // A table lays out its own header and scroll bars.
            if (qobject_cast<QAbstractItemView*>(child->parentWidget()) != nullptr
                || (child->parentWidget() != nullptr && qobject_cast<QAbstractItemView*>(child->parentWidget()->parentWidget()) != nullptr))
                continue;
            const QRect inPage(child->mapTo(page, QPoint(0, 0)), child->size());
            EXPECT_TRUE(page->rect().contains(inPage))
                << page->objectName().toStdString() << ": " << child->objectName().toStdString() << " at "
                << inPage.x() << "," << inPage.y() << " " << inPage.width() << "x" << inPage.height();
            // Nor be squeezed below what its contents need.
            EXPECT_GE(child->width(), child->minimumSizeHint().width()) << child->objectName().toStdString();
            const int needed = child->hasHeightForWidth() ? child->heightForWidth(child->width())
                                                          : child->minimumSizeHint().height();
            EXPECT_GE(child->height(), needed) << page->objectName().toStdString() << ": "
                                               << child->metaObject()->className() << " "
                                               << child->objectName().toStdString();
        }
        if (!folder.isEmpty())
            dialog.grab().save(QDir(folder).filePath(QStringLiteral("settings-%1-%2.png").arg(i).arg(page->objectName())));
    }
}
