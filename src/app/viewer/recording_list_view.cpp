#include "app/viewer/recording_list_view.h"

#include "app/viewer/ui_registry.h"
#include "catalogue/recording_name.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QProxyStyle>
#include <QStyledItemDelegate>

namespace dravonix {
namespace {

constexpr int kSmallestPixelSize = 9;

// The application's style with narrower margins in cells with an icon (the
// kind column's): it is 98 pixels, 53 of them icon, and the usual margins
// would leave too little for a readable "Always". Other cells keep theirs.
class NarrowKindCellStyle : public QProxyStyle {
public:
    explicit NarrowKindCellStyle(QObject* owner) : QProxyStyle(QApplication::style()->name()) { setParent(owner); }

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option);
        if (metric == PM_FocusFrameHMargin && item != nullptr && item->features.testFlag(QStyleOptionViewItem::HasDecoration))
            return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

// The style's own item painting (which fills the model's background colour
// and the selection), with grid lines on top. Every row is as tall as the
// kind icons, also the rows without one: the first row sets the height of all.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), option.decorationSize.height() + 2));
        return size;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(QColor(0xd8, 0xd8, 0xd8));
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->setPen(QColor(0xe4, 0xe4, 0xe4));
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->restore();
    }
};

QPalette listPalette(QPalette palette)
{
    // The selection keeps its colour when the list is not focused.
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Base, Qt::white);
        palette.setColor(group, QPalette::Text, Qt::black);
        palette.setColor(group, QPalette::Highlight, QColor(0x3d, 0x7b, 0xd9));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    return palette;
}

} // namespace

RecordingListView::RecordingListView(RecordingListModel& model, const QFont& preferred, QWidget* parent)
    : QTreeView(parent)
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setIconSize(QSize(53, 16));
    setTextElideMode(Qt::ElideMiddle);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setStyle(new NarrowKindCellStyle(this));
    setPalette(listPalette(palette()));
    setItemDelegate(new GridDelegate(this));
    showModel(model, false);
    setFont(fittingFont(preferred));
}

void RecordingListView::showModel(QAbstractItemModel& model, bool tree)
{
    setModel(&model);
    setRootIsDecorated(tree);
    // Under a trip the kind column gives two indentations to the tree and
    // keeps its room for icon and text; the file name, elided in the middle
    // anyway, gives them up.
    if (tree)
        setIndentation(kTreeIndentation);
    else
        resetIndentation();
    const int treeRoom = tree ? 2 * kTreeIndentation : 0;
    for (int c = 0; c < 4; ++c)
        header()->resizeSection(c, kColumnWidths[c] + (c == RecordingListModel::Type ? treeRoom : 0)
                                       - (c == RecordingListModel::FileName ? treeRoom : 0));
    for (int c = RecordingListModel::SortKey; c < RecordingListModel::ColumnCount; ++c)
        setColumnHidden(c, true);
}

int RecordingListView::neededWidth(const QFont& font, const QString& text, bool withIcon) const
{
    QStyleOptionViewItem option;
    option.initFrom(this);
    option.font = font;
    option.fontMetrics = QFontMetrics(font);
    option.text = text;
    option.features = QStyleOptionViewItem::HasDisplay;
    if (withIcon) {
        option.features |= QStyleOptionViewItem::HasDecoration;
        option.decorationSize = iconSize();
        QPixmap blank(iconSize());
        blank.fill(Qt::transparent);
        option.icon = QIcon(blank);
    }
    option.decorationPosition = QStyleOptionViewItem::Left;
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.widget = this;
    return style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width();
}

QFont RecordingListView::fittingFont(QFont preferred) const
{
    // The widest texts each column shows: every kind (with its icon), a date
    // and a time with two-digit fields, and the column titles.
    const RecordingName sample = parseRecordingName(u"alwa_20281228_235858_F.mp4");
    const UiRegistry& ui = UiRegistry::instance();
    struct Sample {
        int column;
        QString text;
        bool icon;
    };
    std::vector<Sample> samples{{RecordingListModel::Date, formatListDate(sample), false},
                                {RecordingListModel::Time, formatListTime(sample), false}};
    for (const RecordingKind kind :
         {RecordingKind::Always, RecordingKind::Event, RecordingKind::User, RecordingKind::Park, RecordingKind::Unknown})
        samples.push_back({RecordingListModel::Type, ui.text(kindStringId(kind)), true});
    for (int c = 0; c < 4; ++c)
        samples.push_back({c, model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), false});

    const int largest = preferred.pixelSize() > 0 ? preferred.pixelSize() : QFontInfo(preferred).pixelSize();
    for (int pixels = largest; pixels > kSmallestPixelSize; --pixels) {
        preferred.setPixelSize(pixels);
        const bool fits = std::all_of(samples.begin(), samples.end(), [&](const Sample& s) {
            return neededWidth(preferred, s.text, s.icon) <= kColumnWidths[s.column];
        });
        if (fits)
            return preferred;
    }
    preferred.setPixelSize(kSmallestPixelSize);
    return preferred;
}

} // namespace dravonix
