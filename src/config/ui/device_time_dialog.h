#pragma once
// "Device Time": pick a date and a time and write them into the camera's
// clock file, on the card that already holds one or wherever the user says.

#include "card/volumes.h"

#include <QDialog>
#include <QString>

#include <functional>

class QDateEdit;
class QTimeEdit;

namespace dravonix {

class DeviceTimeDialog : public QDialog {
    Q_OBJECT
public:
    // `askForFile` stands in for the save dialog (tests); empty means cancelled.
    using FileChooser = std::function<QString(QWidget* parent)>;
    DeviceTimeDialog(Volumes& volumes, QWidget* parent = nullptr, FileChooser askForFile = {});

    QString timeFilePath() const { return timeFile_; }
    QDateEdit* dateEdit() const { return date_; }
    QTimeEdit* timeEdit() const { return time_; }

    // The Save command: true when the file was written and the dialog closed.
    bool save();

private:
    QString timeFile_;
    QDateEdit* date_ = nullptr;
    QTimeEdit* time_ = nullptr;
    FileChooser askForFile_;
};

} // namespace dravonix
