#pragma once
// The recording list as the main window shows it: the four visible columns
// at their fixed widths, in a font small enough for the kind, date and time
// to fit them whole; file names elided in the middle; grid lines; and each
// row in the model's colour, so the playing row shows wherever the
// selection is.

#include "app/viewer/recording_list_model.h"

#include <QTreeView>

namespace dravonix {

class RecordingListView : public QTreeView {
    Q_OBJECT
public:
    static constexpr int kColumnWidths[] = {98, 85, 65, 186}; // type, date, time, file name
    static constexpr int kTreeIndentation = 12;

    // `preferred` is the largest font the list may use; it is made smaller
    // until the widest kind, date and time texts fit their columns.
    RecordingListView(RecordingListModel& model, const QFont& preferred, QWidget* parent = nullptr);

    // Shows the flat list or the one grouped by trip (a tree, whose rows
    // open and close), with the same columns.
    void showModel(QAbstractItemModel& model, bool tree);

    // The width an item needs for `text`, with the kind icon when asked, in `font`.
    int neededWidth(const QFont& font, const QString& text, bool withIcon) const;

private:
    QFont fittingFont(QFont preferred) const;
};

} // namespace dravonix
