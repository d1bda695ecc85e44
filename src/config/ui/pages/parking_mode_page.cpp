#include "config/ui/pages/parking_mode_page.h"

#include "config/page_rules.h"
#include "config/settings_rules.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace dravonix {
namespace {

// A dark frame standing in for the camera's picture, with the cells over it.
class PictureFrame : public QFrame {
public:
    explicit PictureFrame(QWidget* parent) : QFrame(parent)
    {
        setFrameShape(QFrame::Box);
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(0x2b, 0x33, 0x3d));
        p.setColor(QPalette::WindowText, QColor(0xe8, 0xec, 0xf0));
        setPalette(p);
    }
};

} // namespace

ParkingModePage::ParkingModePage(SettingsContext& context, QWidget* parent)
    : SettingsPage(context, QStringLiteral("parkingModePage"), parent)
{
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(10, 10, 10, 10);
    page->setSpacing(8);

    auto* recording = new QVBoxLayout;
    recording_ = choiceRow("parkingRecording", 2, this,
                           [this](std::uint32_t value) { enableSensitivity(sensitivityEnabledAfterClick(value)); });
    recording->addWidget(recording_);
    auto* recordingGroup = groupBox(QStringLiteral("Parking Mode Record Settings"), recording, this);
    recordingGroup->setObjectName(QStringLiteral("parkingRecordingGroup"));
    page->addWidget(recordingGroup);

    auto* sensitivity = new QGridLayout;
    sensitivity->addWidget(new QLabel(QStringLiteral("Front View"), this), 0, 0);
    frontSensitivity_ = choiceRow("frontMotionSensitivity", 6, this);
    sensitivity->addWidget(frontSensitivity_, 0, 1);
    sensitivity->addWidget(new QLabel(QStringLiteral("Rear View"), this), 1, 0);
    rearSensitivity_ = choiceRow("rearMotionSensitivity", 6, this);
    sensitivity->addWidget(rearSensitivity_, 1, 1);
    sensitivity->setColumnStretch(1, 1);
    page->addWidget(groupBox(QStringLiteral("Motion Sensitivity Settings"), sensitivity, this));

    auto* areas = new QHBoxLayout;
    areas->addWidget(areaPicture(true));
    areas->addWidget(areaPicture(false));
    page->addWidget(groupBox(QStringLiteral("Select Motion Area"), areas, this));
    page->addStretch(1);

    showRecord();
}

QWidget* ParkingModePage::areaPicture(bool front)
{
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(new QLabel(front ? QStringLiteral("Front View") : QStringLiteral("Rear View"), column), 0,
                      Qt::AlignHCenter);
    auto* picture = new PictureFrame(column);
    picture->setObjectName(front ? QStringLiteral("frontMotionPicture") : QStringLiteral("rearMotionPicture"));
    picture->setFixedSize(272, 153); // 16:9
    auto* grid = new QGridLayout(picture);
    grid->setContentsMargins(1, 1, 1, 1);
    grid->setSpacing(0);
    Cells& cells = front ? front_ : rear_;
    const QString name = front ? QStringLiteral("frontMotionArea") : QStringLiteral("rearMotionArea");
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 4; ++col) {
            auto* box = new QCheckBox(picture);
            box->setObjectName(QStringLiteral("%1.%2.%3").arg(name).arg(row).arg(col));
            box->setEnabled(motionCellEditable(front, row));
            grid->addWidget(box, row, col, Qt::AlignCenter);
            cells[static_cast<std::size_t>(row * 4 + col)] = box;
        }
    }
    layout->addWidget(picture, 0, Qt::AlignHCenter);
    return column;
}

void ParkingModePage::enableSensitivity(bool enabled)
{
    frontSensitivity_->setButtonsEnabled(enabled);
    rearSensitivity_->setButtonsEnabled(enabled);
}

void ParkingModePage::showMask(Cells& cells, std::uint32_t mask)
{
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col)
            cells[static_cast<std::size_t>(row * 4 + col)]->setChecked(motionCellWatched(mask, row, col));
}

std::uint32_t ParkingModePage::maskOf(const Cells& cells)
{
    std::array<bool, 12> watched{};
    for (std::size_t i = 0; i < cells.size(); ++i)
        watched[i] = cells[i]->isChecked();
    return motionMaskFromCells(watched);
}

void ParkingModePage::showRecord()
{
    // Opening settles time-lapse against night vision in the record; a
    // refresh shows the record as it is.
    const ParkingModeControls shown = opened_ ? parkingModeShown(config()) : openParkingModePage(config());
    SettingsPage::showRecord();
    recording_->select(shown.recordingRadio ? std::optional<int>(static_cast<int>(*shown.recordingRadio)) : std::nullopt);
    enableSensitivity(shown.sensitivityEnabled);
    showMask(front_, config().frontMotionArea());
    showMask(rear_, opened_ ? rearMotionAreaShown(config().rearMotionArea()) : config().rearMotionArea());
    opened_ = true;
}

void ParkingModePage::collect()
{
    config().setFrontMotionArea(maskOf(front_));
    config().setRearMotionArea(maskOf(rear_));
}

QCheckBox* ParkingModePage::areaBox(bool front, int row, int column) const
{
    if (row < 0 || row > 2 || column < 0 || column > 3)
        return nullptr;
    return (front ? front_ : rear_)[static_cast<std::size_t>(row * 4 + column)];
}

} // namespace dravonix
