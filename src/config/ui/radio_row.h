#pragma once
// A row (or grid) of radio buttons with one selection or none, as a settings
// page shows a group of choices. It knows nothing of the record: the page
// binds it to a field.

#include <QRadioButton>
#include <QStringList>
#include <QWidget>

#include <optional>

class QButtonGroup;

namespace dravonix {

class RadioRow : public QWidget {
    Q_OBJECT
public:
    // Buttons are named "<name>.<index>"; `columns` buttons go in one row.
    RadioRow(const QString& name, const QStringList& captions, int columns, QWidget* parent = nullptr);

    int count() const { return static_cast<int>(buttons_.size()); }
    QRadioButton* button(int index) const { return buttons_.value(index); }
    // Selects the button, or none at all.
    void select(std::optional<int> index);
    std::optional<int> selected() const;
    void setCaption(int index, const QString& caption);
    void setButtonsEnabled(bool enabled);

signals:
    // A click, also on the button already selected.
    void clicked(int index);

private:
    QList<QRadioButton*> buttons_;
    QButtonGroup* group_ = nullptr;
};

} // namespace dravonix
