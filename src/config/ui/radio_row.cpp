#include "config/ui/radio_row.h"

#include <QButtonGroup>
#include <QGridLayout>

namespace dravonix {

RadioRow::RadioRow(const QString& name, const QStringList& captions, int columns, QWidget* parent)
    : QWidget(parent), group_(new QButtonGroup(this))
{
    setObjectName(name);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(0);
    for (int i = 0; i < captions.size(); ++i) {
        auto* button = new QRadioButton(captions[i], this);
        button->setObjectName(name + QLatin1Char('.') + QString::number(i));
        group_->addButton(button, i);
        grid->addWidget(button, i / columns, i % columns);
        buttons_.push_back(button);
    }
    grid->setColumnStretch(columns, 1);
    connect(group_, &QButtonGroup::idClicked, this, &RadioRow::clicked);
}

void RadioRow::select(std::optional<int> index)
{
    if (index && *index >= 0 && *index < count()) {
        buttons_[*index]->setChecked(true);
        return;
    }
    group_->setExclusive(false);
    for (QRadioButton* button : buttons_)
        button->setChecked(false);
    group_->setExclusive(true);
}

std::optional<int> RadioRow::selected() const
{
    const int id = group_->checkedId();
    return id >= 0 ? std::optional<int>(id) : std::nullopt;
}

void RadioRow::setCaption(int index, const QString& caption)
{
    if (QRadioButton* b = button(index))
        b->setText(caption);
}

void RadioRow::setButtonsEnabled(bool enabled)
{
    for (QRadioButton* button : buttons_)
        button->setEnabled(enabled);
}

} // namespace dravonix
