#pragma once
// The recording list: seven columns (three hidden) over the ordered scan,
// the kind icons, and the playing row in its own colour. It is also what
// the playback controller reads rows from.

#include "catalogue/folder_scan.h"
#include "playback/playback_view.h"

#include <QAbstractTableModel>
#include <QPixmap>

#include <vector>

namespace dravonix {

class RecordingListModel : public QAbstractTableModel, public RecordingListAccess {
    Q_OBJECT
public:
    enum Column { Type, Date, Time, FileName, SortKey, Channel, FullPath, ColumnCount };

    explicit RecordingListModel(QObject* parent = nullptr);
    void setRows(std::vector<RecordingRow> rows);
    void setCurrentRow(int row);
    int currentRow() const { return current_; }
    void setKindIcons(const QPixmap& strip) { icons_ = strip; }
    const RecordingRow* row(int index) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // RecordingListAccess
    int recordingCount() const override { return static_cast<int>(rows_.size()); }
    QByteArray path(int row) const override;
    QChar channelLetter(int row) const override;

private:
    std::vector<RecordingRow> rows_;
    int current_ = -1;
    QPixmap icons_;
};

} // namespace dravonix
