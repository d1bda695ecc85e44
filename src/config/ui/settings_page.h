#pragma once
// The base of the settings pages. A page binds its controls to fields of the
// record through the tables of field_rules.h: a click on a radio button or a
// list entry stores the choice's value at once, a check box flips its field
// between 0 and 1 itself, and showing the record selects what the stored
// values say (nothing, for a value that has no button). Controls that the
// camera's pages never show still exist, bound the same way, in a hidden area.

#include "config/field_rules.h"
#include "config/ui/radio_row.h"
#include "config/ui/settings_context.h"

#include <QWidget>

#include <functional>
#include <string_view>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLayout;

namespace dravonix {

class SettingsPage : public QWidget {
    Q_OBJECT
public:
    SettingsPage(SettingsContext& context, const QString& name, QWidget* parent = nullptr);

    // Shows the record in every bound control; pages add their own controls.
    virtual void showRecord();
    // The parent of the controls that stay hidden.
    QWidget* hiddenArea() const { return hidden_; }

protected:
    using AfterStore = std::function<void(std::uint32_t value)>;
    DeviceConfig& config() { return context_.config; }
    SettingsContext& context() { return context_; }

    RadioRow* choiceRow(std::string_view field, int columns, QWidget* parent, AfterStore after = {});
    // A bound row in a group box captioned as the table says.
    QGroupBox* choiceGroup(std::string_view field, int columns, QWidget* parent, AfterStore after = {});
    QCheckBox* flagBox(std::string_view field, const QString& caption, QWidget* parent,
                       bool (*ticked)(std::uint32_t) = nullptr, AfterStore after = {});
    QComboBox* choiceList(std::string_view field, QWidget* parent, AfterStore after = {});
    // Shows one field's bound control again (after the speed unit changed).
    void showField(std::string_view field);

    static QGroupBox* groupBox(const QString& title, QLayout* content, QWidget* parent);
    static QString caption(std::string_view text);

private:
    struct Binding {
        const FieldRule* rule;
        const FieldInfo* info;
        RadioRow* row = nullptr;
        QComboBox* list = nullptr;
        QCheckBox* flag = nullptr;
        bool (*ticked)(std::uint32_t) = nullptr;
    };
    Binding& bind(std::string_view field);
    void show(const Binding& binding);
    void store(const Binding& binding, std::uint32_t value, const AfterStore& after);

    SettingsContext& context_;
    QWidget* hidden_ = nullptr;
    std::vector<Binding> bindings_;
};

} // namespace dravonix
