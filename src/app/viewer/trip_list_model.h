#pragma once
// The recording list grouped by trip: a row per trip (its start, length,
// distance and events) with its recordings under it, and the recordings in
// no trip (parking, unmeasured, names a trip can't place) on their own, all
// in the flat list's order. The recording rows are the flat list's own: the
// texts, icons and playing colour come from it.

#include "app/viewer/recording_list_model.h"
#include "trips/card_trips.h"

#include <QAbstractItemModel>
#include <QHash>

#include <memory>
#include <optional>
#include <vector>

namespace dravonix {

class TripListModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit TripListModel(RecordingListModel& flat, QObject* parent = nullptr);

    // The trips of the rows the flat list shows now; null shows them ungrouped.
    void setTrips(std::shared_ptr<const CardTrips> trips);
    const std::shared_ptr<const CardTrips>& trips() const { return trips_; }
    // The trip whose row shows as playing; none for none.
    void setPlayingTrip(std::optional<std::size_t> trip);

    // The flat list's row an index shows; -1 for a trip row.
    int flatRow(const QModelIndex& index) const;
    // The trip an index is (a trip row) or is in (a recording under one).
    std::optional<std::size_t> tripOf(const QModelIndex& index) const;
    bool isTripRow(const QModelIndex& index) const;
    // Where the flat list's row shows.
    QModelIndex indexOfFlatRow(int row, int column = 0) const;
    // The flat rows of a trip, in the list's order.
    std::vector<int> flatRowsOfTrip(std::size_t trip) const;
    // The trip of a flat row and the recording (index into the set) it belongs to.
    std::optional<std::pair<std::size_t, std::size_t>> tripRecordingOfFlatRow(int row) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Entry {
        std::optional<std::size_t> trip; // a trip row; else the flat row below
        int flatRow = -1;
        std::vector<int> children; // a trip's flat rows
    };
    void rebuild();
    QVariant tripData(const Entry& entry, int column, int role) const;

    RecordingListModel& flat_;
    std::shared_ptr<const CardTrips> trips_;
    std::optional<std::size_t> playingTrip_;
    std::vector<Entry> entries_;
    // Flat row -> (entry, child row or -1 when the entry is the row itself).
    std::vector<std::pair<int, int>> whereIs_;
    QHash<QByteArray, std::pair<std::size_t, std::size_t>> tripOfPath_; // path -> (trip, recording)
};

// "1 h 02 min", "12 min 30 s", "45 s"
QString tripLengthText(std::int64_t ms);

} // namespace dravonix
