#include "config/ui/settings_page.h"

#include "config/page_rules.h"
#include "toolkit/ui/ui_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLayout>

#include <string>

namespace dravonix {
namespace {

// A check box that doesn't tick itself: the page sets it from the field.
class ManualCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {}
};

bool nonzero(std::uint32_t value) { return value != 0; }

} // namespace

SettingsPage::SettingsPage(SettingsContext& context, const QString& name, QWidget* parent)
    : QWidget(parent), context_(context), hidden_(new QWidget(this))
{
    setObjectName(name);
    setFont(uiFont(100));
    hidden_->setObjectName(name + QStringLiteral("Hidden"));
    hidden_->hide();
}

QString SettingsPage::caption(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

SettingsPage::Binding& SettingsPage::bind(std::string_view field)
{
    const FieldRule* rule = fieldRule(field);
    const FieldInfo* info = findConfigField(field);
    if (rule == nullptr || info == nullptr) // a page built against a field without a table: a build fault
        qFatal("settings page: no table for field %s", std::string(field).c_str());
    bindings_.push_back({rule, info});
    return bindings_.back();
}

void SettingsPage::store(const Binding& binding, std::uint32_t value, const AfterStore& after)
{
    setFieldValue(config(), *binding.info, value);
    if (after)
        after(value);
}

RadioRow* SettingsPage::choiceRow(std::string_view field, int columns, QWidget* parent, AfterStore after)
{
    Binding& binding = bind(field);
    QStringList captions;
    for (const Choice& choice : fieldChoices(*binding.rule, config()))
        captions << QString::fromStdString(choice.caption);
    binding.row = new RadioRow(caption(field), captions, columns, parent);
    const std::size_t at = bindings_.size() - 1;
    connect(binding.row, &RadioRow::clicked, this, [this, at, after](int index) {
        const Binding& b = bindings_[at];
        const auto choices = fieldChoices(*b.rule, config());
        if (index >= 0 && static_cast<std::size_t>(index) < choices.size())
            store(b, choices[static_cast<std::size_t>(index)].value, after);
    });
    return binding.row;
}

QGroupBox* SettingsPage::choiceGroup(std::string_view field, int columns, QWidget* parent, AfterStore after)
{
    auto* layout = new QVBoxLayout;
    auto* box = groupBox(caption(fieldRule(field)->group), layout, parent);
    box->setObjectName(caption(field) + QStringLiteral("Group"));
    layout->addWidget(choiceRow(field, columns, box, std::move(after)));
    layout->addStretch(1); // beside a taller group the buttons stay at the top
    return box;
}

QCheckBox* SettingsPage::flagBox(std::string_view field, const QString& text, QWidget* parent,
                                 bool (*ticked)(std::uint32_t), AfterStore after)
{
    Binding& binding = bind(field);
    auto* box = new ManualCheckBox(text, parent);
    box->setObjectName(caption(field));
    binding.flag = box;
    binding.ticked = ticked != nullptr ? ticked : nonzero;
    const std::size_t at = bindings_.size() - 1;
    connect(box, &QCheckBox::clicked, this, [this, at, after] {
        const Binding& b = bindings_[at];
        const std::uint32_t value = toggledFlag(b.flag->isChecked());
        setFieldValue(config(), *b.info, value);
        b.flag->setChecked(b.ticked(value));
        if (after)
            after(value);
    });
    return box;
}

QComboBox* SettingsPage::choiceList(std::string_view field, QWidget* parent, AfterStore after)
{
    Binding& binding = bind(field);
    auto* list = new QComboBox(parent);
    list->setObjectName(caption(field));
    binding.list = list;
    const std::size_t at = bindings_.size() - 1;
    connect(list, &QComboBox::activated, this, [this, at, after](int index) {
        const Binding& b = bindings_[at];
        const auto choices = fieldChoices(*b.rule, config());
        if (index >= 0 && static_cast<std::size_t>(index) < choices.size())
            store(b, choices[static_cast<std::size_t>(index)].value, after);
    });
    return list;
}

void SettingsPage::show(const Binding& binding)
{
    const std::uint32_t stored = fieldValue(config(), *binding.info);
    const auto choices = fieldChoices(*binding.rule, config());
    const std::optional<int> shown = shownChoiceIndex(*binding.rule, config(), stored);
    if (binding.row != nullptr) {
        for (std::size_t i = 0; i < choices.size(); ++i)
            binding.row->setCaption(static_cast<int>(i), QString::fromStdString(choices[i].caption));
        binding.row->select(shown);
    }
    if (binding.list != nullptr) {
        binding.list->clear();
        for (const Choice& choice : choices)
            binding.list->addItem(QString::fromStdString(choice.caption));
        binding.list->setCurrentIndex(shown.value_or(-1));
    }
    if (binding.flag != nullptr)
        binding.flag->setChecked(binding.ticked(stored));
}

void SettingsPage::showRecord()
{
    for (const Binding& binding : bindings_)
        show(binding);
}

void SettingsPage::showField(std::string_view field)
{
    for (const Binding& binding : bindings_)
        if (binding.rule->field == field)
            show(binding);
}

QGroupBox* SettingsPage::groupBox(const QString& title, QLayout* content, QWidget* parent)
{
    auto* box = new QGroupBox(title, parent);
    content->setContentsMargins(8, 2, 8, 4);
    content->setSpacing(2);
    box->setLayout(content);
    return box;
}

} // namespace dravonix
