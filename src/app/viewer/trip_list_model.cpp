#include "app/viewer/trip_list_model.h"

#include <QColor>
#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

#include <cmath>

namespace dravonix {
namespace {

QDateTime cameraDateTime(CameraMs time) { return QDateTime::fromMSecsSinceEpoch(time, QTimeZone::utc()); }

QString tripDateText(CameraMs time)
{
    // The flat list's date format, so a trip's start reads like its first recording's.
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (format.contains(QLatin1String("MMM")) || format.contains(QLatin1String("ddd")))
        format = QStringLiteral("yyyy-MM-dd");
    return QLocale().toString(cameraDateTime(time).date(), format);
}

QString distanceText(double km)
{
    // Numbers in C form whatever the locale: the CLI's figures read the same.
    return QString::number(std::isfinite(km) ? km : 0.0, 'f', 1) + QStringLiteral(" km");
}

QString summaryText(const TripSummary& trip)
{
    QString text = tripLengthText(trip.timeline.lengthMs()) + QStringLiteral(" \u00b7 ") + distanceText(trip.distanceKm);
    if (!trip.events.empty())
        text += QStringLiteral(" \u00b7 %1 event%2").arg(trip.events.size()).arg(trip.events.size() == 1 ? "" : "s");
    return text;
}

} // namespace

QString tripLengthText(std::int64_t ms)
{
    // To the nearest second, as `dravonix trips` gives a trip's length.
    const std::int64_t seconds = (std::max<std::int64_t>(ms, 0) + 500) / 1000;
    if (seconds >= 3600)
        return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'));
    if (seconds >= 60)
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1 s").arg(seconds);
}

TripListModel::TripListModel(RecordingListModel& flat, QObject* parent) : QAbstractItemModel(parent), flat_(flat)
{
    // A new scan makes the trips of the old one meaningless until they are read again.
    connect(&flat_, &QAbstractItemModel::modelReset, this, [this] { setTrips(nullptr); });
    connect(&flat_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to, const QList<int>& roles) {
                for (int row = from.row(); row <= to.row(); ++row) {
                    const QModelIndex first = indexOfFlatRow(row, 0);
                    if (first.isValid())
                        emit dataChanged(first, first.siblingAtColumn(RecordingListModel::ColumnCount - 1), roles);
                }
            });
    rebuild();
}

void TripListModel::setTrips(std::shared_ptr<const CardTrips> trips)
{
    beginResetModel();
    trips_ = std::move(trips);
    playingTrip_.reset();
    rebuild();
    endResetModel();
}

void TripListModel::setPlayingTrip(std::optional<std::size_t> trip)
{
    if (trip == playingTrip_)
        return;
    const std::optional<std::size_t> old = std::exchange(playingTrip_, trip);
    for (std::size_t e = 0; e < entries_.size(); ++e) {
        if (entries_[e].trip && (entries_[e].trip == old || entries_[e].trip == trip))
            emit dataChanged(index(static_cast<int>(e), 0), index(static_cast<int>(e), RecordingListModel::ColumnCount - 1),
                             {Qt::BackgroundRole});
    }
}

void TripListModel::rebuild()
{
    entries_.clear();
    tripOfPath_.clear();
    const int rows = flat_.recordingCount();
    whereIs_.assign(static_cast<std::size_t>(std::max(rows, 0)), {-1, -1});
    if (trips_) {
        for (std::size_t t = 0; t < trips_->trips.size(); ++t)
            for (const std::size_t r : trips_->trips[t].trip.recordings) {
                if (r >= trips_->set.recordings.size())
                    continue;
                const TripRecording& recording = trips_->set.recordings[r];
                for (const std::string* path : {&recording.frontPath, &recording.rearPath})
                    if (!path->empty())
                        tripOfPath_.insert(QByteArray::fromStdString(*path), {t, r});
            }
    }
    // Each trip where its first row is; the rest of its rows under it.
    std::vector<int> entryOfTrip(trips_ ? trips_->trips.size() : 0, -1);
    for (int row = 0; row < rows; ++row) {
        const auto found = tripOfPath_.constFind(flat_.path(row));
        if (found == tripOfPath_.constEnd()) {
            whereIs_[static_cast<std::size_t>(row)] = {static_cast<int>(entries_.size()), -1};
            entries_.push_back(Entry{std::nullopt, row, {}});
            continue;
        }
        int& entry = entryOfTrip[found->first];
        if (entry < 0) {
            entry = static_cast<int>(entries_.size());
            entries_.push_back(Entry{found->first, -1, {}});
        }
        std::vector<int>& children = entries_[static_cast<std::size_t>(entry)].children;
        whereIs_[static_cast<std::size_t>(row)] = {entry, static_cast<int>(children.size())};
        children.push_back(row);
    }
}

int TripListModel::flatRow(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return -1;
    if (index.internalId() == 0) {
        const auto e = static_cast<std::size_t>(index.row());
        return e < entries_.size() ? entries_[e].flatRow : -1;
    }
    const auto e = static_cast<std::size_t>(index.internalId() - 1);
    if (e >= entries_.size() || index.row() >= static_cast<int>(entries_[e].children.size()))
        return -1;
    return entries_[e].children[static_cast<std::size_t>(index.row())];
}

std::optional<std::size_t> TripListModel::tripOf(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return std::nullopt;
    const auto e = static_cast<std::size_t>(index.internalId() == 0 ? index.row() : index.internalId() - 1);
    return e < entries_.size() ? entries_[e].trip : std::nullopt;
}

bool TripListModel::isTripRow(const QModelIndex& index) const
{
    return index.isValid() && index.internalId() == 0 && tripOf(index).has_value();
}

QModelIndex TripListModel::indexOfFlatRow(int row, int column) const
{
    if (row < 0 || row >= static_cast<int>(whereIs_.size()))
        return {};
    const auto [entry, child] = whereIs_[static_cast<std::size_t>(row)];
    if (entry < 0)
        return {};
    return child < 0 ? createIndex(entry, column, quintptr(0)) : createIndex(child, column, quintptr(entry + 1));
}

std::vector<int> TripListModel::flatRowsOfTrip(std::size_t trip) const
{
    for (const Entry& e : entries_)
        if (e.trip == trip)
            return e.children;
    return {};
}

std::optional<std::pair<std::size_t, std::size_t>> TripListModel::tripRecordingOfFlatRow(int row) const
{
    const auto found = tripOfPath_.constFind(flat_.path(row));
    if (found == tripOfPath_.constEnd())
        return std::nullopt;
    return *found;
}

QModelIndex TripListModel::index(int row, int column, const QModelIndex& parent) const
{
    if (row < 0 || column < 0 || column >= RecordingListModel::ColumnCount)
        return {};
    if (!parent.isValid())
        return row < static_cast<int>(entries_.size()) ? createIndex(row, column, quintptr(0)) : QModelIndex();
    if (parent.internalId() != 0 || parent.row() >= static_cast<int>(entries_.size()))
        return {};
    const Entry& e = entries_[static_cast<std::size_t>(parent.row())];
    return row < static_cast<int>(e.children.size()) ? createIndex(row, column, quintptr(parent.row() + 1)) : QModelIndex();
}

QModelIndex TripListModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == 0)
        return {};
    return createIndex(static_cast<int>(child.internalId() - 1), 0, quintptr(0));
}

int TripListModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return static_cast<int>(entries_.size());
    if (parent.column() != 0 || parent.internalId() != 0 || parent.row() >= static_cast<int>(entries_.size()))
        return 0;
    return static_cast<int>(entries_[static_cast<std::size_t>(parent.row())].children.size());
}

int TripListModel::columnCount(const QModelIndex&) const { return RecordingListModel::ColumnCount; }

QVariant TripListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (isTripRow(index))
        return tripData(entries_[static_cast<std::size_t>(index.row())], index.column(), role);
    const int row = flatRow(index);
    return row >= 0 ? flat_.data(flat_.index(row, index.column()), role) : QVariant();
}

QVariant TripListModel::tripData(const Entry& entry, int column, int role) const
{
    if (!trips_ || !entry.trip || *entry.trip >= trips_->trips.size())
        return {};
    const TripSummary& trip = trips_->trips[*entry.trip];
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        // The view spans a trip's first column over the row: all of it in one line.
        case RecordingListModel::Type:
            return QStringLiteral("%1 %2   %3").arg(tripDateText(trip.trip.start),
                                                  cameraDateTime(trip.trip.start).time().toString(QStringLiteral("HH:mm:ss")),
                                                  summaryText(trip));
        case RecordingListModel::Date: return tripDateText(trip.trip.start);
        case RecordingListModel::Time: return cameraDateTime(trip.trip.start).time().toString(QStringLiteral("HH:mm:ss"));
        case RecordingListModel::FileName: return summaryText(trip);
        default: return {};
        }
    case Qt::ToolTipRole:
        return QStringLiteral("%1 to %2, %3 recordings")
            .arg(QString::fromStdString(formatCameraTime(trip.trip.start)), QString::fromStdString(formatCameraTime(trip.trip.end)))
            .arg(trip.trip.recordings.size());
    case Qt::BackgroundRole: return entry.trip == playingTrip_ ? QColor(200, 200, 255) : QColor(0xee, 0xf2, 0xf8);
    case Qt::ForegroundRole: return QColor(Qt::black);
    case Qt::TextAlignmentRole:
        return column == RecordingListModel::Date || column == RecordingListModel::Time
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default: return {};
    }
}

QVariant TripListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    return flat_.headerData(section, orientation, role);
}

} // namespace dravonix
