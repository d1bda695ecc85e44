#include "app/viewer/recording_list_model.h"

#include "app/viewer/ui_registry.h"

#include <QColor>

namespace dravonix {

RecordingListModel::RecordingListModel(QObject* parent) : QAbstractTableModel(parent) {}

void RecordingListModel::setRows(std::vector<RecordingRow> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    current_ = -1;
    endResetModel();
}

void RecordingListModel::setCurrentRow(int row)
{
    const int old = current_;
    current_ = row;
    for (const int r : {old, row})
        if (r >= 0 && r < recordingCount())
            emit dataChanged(index(r, 0), index(r, ColumnCount - 1), {Qt::BackgroundRole});
}

const RecordingRow* RecordingListModel::row(int index) const
{
    return index >= 0 && index < recordingCount() ? &rows_[static_cast<std::size_t>(index)] : nullptr;
}

int RecordingListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int RecordingListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant RecordingListModel::data(const QModelIndex& index, int role) const
{
    const RecordingRow* r = row(index.row());
    if (r == nullptr)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case Type: return UiRegistry::instance().text(kindStringId(r->name.kind));
        case Date: return formatListDate(r->name);
        case Time: return formatListTime(r->name);
        case FileName: return r->fileName().toString();
        case SortKey: return r->name.sortKey;
        case Channel: return r->name.channelLetter != 0 ? QString(QChar(r->name.channelLetter)) : QString();
        case FullPath: return r->fullPath;
        default: return {};
        }
    case Qt::DecorationRole: {
        const int icon = kindIconIndex(r->name.kind, r->name.isFront);
        if (index.column() != Type || icon >= kNoKindIcon || icons_.isNull())
            return {};
        return icons_.copy(icon * 53, 0, 53, 16);
    }
    case Qt::BackgroundRole: return index.row() == current_ ? QColor(200, 200, 255) : QColor(Qt::white);
    case Qt::ForegroundRole: return QColor(Qt::black);
    case Qt::TextAlignmentRole:
        return index.column() == Date || index.column() == Time ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                                 : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default: return {};
    }
}

QVariant RecordingListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    const int ids[] = {263, 264, 265, 266, 266, 266, 266};
    return section >= 0 && section < ColumnCount ? UiRegistry::instance().text(ids[section]) : QVariant();
}

QByteArray RecordingListModel::path(int index) const
{
    const RecordingRow* r = row(index);
    return r != nullptr ? r->nativePath : QByteArray();
}

QChar RecordingListModel::channelLetter(int index) const
{
    const RecordingRow* r = row(index);
    return r != nullptr && r->name.channelLetter != 0 ? QChar(r->name.channelLetter) : QChar();
}

} // namespace dravonix
