#pragma once
// "Device Time": pick a date and a time and write them into the camera's
// clock file, on the card that already holds one or wherever the user says.
// The editors follow the clock until the user changes one of them, and an
// unchanged dialog saves the time of Save, not the time it was opened.

#include "card/volumes.h"

#include <QDateTime>
#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class QDateEdit;
class QLabel;
class QPushButton;
class QTimeEdit;
class QVBoxLayout;

namespace dravonix {

class DeviceTimeDialog : public QDialog {
    Q_OBJECT
public:
    // `askForFile` stands in for the save dialog (tests); empty means cancelled.
    using FileChooser = std::function<QString(QWidget* parent)>;
    // `now` stands in for the local clock (tests).
    using Clock = std::function<QDateTime()>;
    DeviceTimeDialog(Volumes& volumes, QWidget* parent = nullptr, FileChooser askForFile = {}, Clock now = {});

    QString timeFilePath() const { return timeFile_; }
    QDateEdit* dateEdit() const { return date_; }
    QTimeEdit* timeEdit() const { return time_; }

    // The Save command: true when the file was written and the dialog closed.
    bool save();
    // Moves the editors to the clock unless the user has changed one (the
    // dialog's timer calls it every quarter of a second).
    void followClock();
    bool followsClock() const { return !edited_; }

    // What a recording measured: the camera's clock `offsetSeconds` ahead of
    // GPS time (negative: behind) in a card set to `zoneMinutes` east of UTC.
    // The dialog says so and offers GPS time in that zone, which the editors
    // then follow in place of this computer's clock.
    void offerGpsTime(double offsetSeconds, int zoneMinutes);
    QLabel* offsetNote() const { return offsetNote_; }
    QPushButton* gpsTimeButton() const { return gpsTimeButton_; }
    void useGpsTime();
    bool usesGpsTime() const { return zoneMinutes_.has_value(); }

private:
    void showTime(const QDateTime& time);
    QDateTime clockTime() const;

    bool cardStillIn() const;

    Volumes& volumes_;
    QString timeFile_; // the card's, when one was found
    QDateEdit* date_ = nullptr;
    QTimeEdit* time_ = nullptr;
    FileChooser askForFile_;
    Clock now_;
    bool edited_ = false;
    QVBoxLayout* layout_ = nullptr;
    QLabel* offsetNote_ = nullptr;
    QPushButton* gpsTimeButton_ = nullptr;
    int offeredZone_ = 0;
    std::optional<int> zoneMinutes_; // set once the user takes GPS time

};

} // namespace dravonix
