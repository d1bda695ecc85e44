#pragma once
// The route table: one row per loaded record, the fifteen columns of the
// Information page with their titles from the string table. Cells are made
// when the view asks for them, so a long log costs only its records.

#include "route/driving_route.h"

#include <QAbstractTableModel>
#include <QFontMetrics>
#include <QStringList>

#include <vector>

namespace dravonix {

class RouteTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RouteTableModel(QObject* parent = nullptr);

    void setRecords(std::vector<DrivingRouteRecord> records);
    const std::vector<DrivingRouteRecord>& records() const { return records_; }
    // The titles as the header shows them, for the export.
    RouteTitles titles() const;
    // The column's width in pixels: the camera's width, or more where the
    // font needs it for the column's widest text.
    static int columnWidth(int column, const QFontMetrics& metrics);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<DrivingRouteRecord> records_;
    QStringList titles_;
};

} // namespace dravonix
