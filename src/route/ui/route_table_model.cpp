#include "route/ui/route_table_model.h"

#include "toolkit/ui/ui_text.h"

#include <algorithm>
#include <array>
#include <climits>

namespace dravonix {
namespace {

constexpr std::array<int, kRouteColumns> kWidths{38, 38, 86, 72, 38, 64, 72, 60, 60, 60, 24, 48, 48, 48, 48};
// The widest text each column holds in practice.
constexpr std::array<const char*, kRouteColumns> kWidest{"00000", "00000", "0000/00/00", "00:00:00", "WED", "0000.0000",
                                                         "00000.0000", "000000.0", "000", "000", "A", "+0.00", "+0.00",
                                                         "+0.00", "00.0"};

} // namespace

RouteTableModel::RouteTableModel(QObject* parent) : QAbstractTableModel(parent)
{
    for (const int id : kRouteColumnTitleIds)
        titles_ << uiString(id);
}

void RouteTableModel::setRecords(std::vector<DrivingRouteRecord> records)
{
    beginResetModel();
    records_ = std::move(records);
    endResetModel();
}

RouteTitles RouteTableModel::titles() const
{
    RouteTitles out;
    for (int i = 0; i < kRouteColumns; ++i)
        out[static_cast<std::size_t>(i)] = titles_[i].toStdString();
    return out;
}

int RouteTableModel::columnWidth(int column, const QFontMetrics& metrics)
{
    if (column < 0 || column >= kRouteColumns)
        return 0;
    const auto at = static_cast<std::size_t>(column);
    constexpr int kCellMargins = 10;
    return std::max(kWidths[at], metrics.horizontalAdvance(QLatin1String(kWidest[at])) + kCellMargins);
}

int RouteTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(std::min<std::size_t>(records_.size(), INT_MAX));
}

int RouteTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kRouteColumns; }

QVariant RouteTableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || static_cast<std::size_t>(index.row()) >= records_.size())
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    return QString::fromStdString(routeRowCells(records_[row], row)[static_cast<std::size_t>(index.column())]);
}

QVariant RouteTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const bool text = role == Qt::DisplayRole || role == Qt::ToolTipRole; // the tip for a title cut short
    if (!text || orientation != Qt::Horizontal || section < 0 || section >= kRouteColumns)
        return QAbstractTableModel::headerData(section, orientation, role);
    return titles_[section];
}

} // namespace dravonix
