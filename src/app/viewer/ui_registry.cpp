#include "app/viewer/ui_registry.h"

#include "toolkit/ui/ui_text.h"

namespace dravonix {

UiRegistry& UiRegistry::instance()
{
    static UiRegistry registry;
    return registry;
}

UiRegistry::UiRegistry()
{
    const struct {
        int id;
        const char* name;
        int kind;
    } images[] = {
        {1, "background", 0},   {2, "close", 3},        {3, "minimize", 3},      {4, "maximize", 3},
        {5, "thumb", 1},        {6, "progress", 1},     {7, "front", 0},         {8, "rear", 0},
        {9, "panel", 0},        {10, "ci", 0},          {11, "stretch_bg", 0},   {12, "controlpanel", 0},
        {1001, "information", 2}, {1002, "record", 2},  {1100, "clock", 3},      {1101, "open", 3},
        {1102, "snapshot", 3},  {1103, "configuration", 3}, {1105, "volume", 3}, {1106, "volume_muted", 3}, {1201, "fullscreen", 3},
        {1202, "rewind", 3},    {1203, "play", 3},      {1204, "pause", 3},      {1205, "swap", 3},
        {1206, "fastforward", 3}, {1207, "speedplus", 3}, {1208, "speedminus", 3}, {1301, "magnify", 3},
        {202, "kinds", 0},
    };
    for (const auto& image : images) {
        names_.insert(image.id, QString::fromLatin1(image.name));
        kinds_.insert(image.id, image.kind);
    }
}

QPixmap UiRegistry::byName(const QString& name)
{
    auto it = loaded_.find(name);
    if (it == loaded_.end())
        it = loaded_.insert(name, QPixmap(QStringLiteral(":/skin/") + name + QStringLiteral(".png")));
    return *it;
}

QPixmap UiRegistry::image(int id) { return names_.contains(id) ? byName(names_.value(id)) : QPixmap(); }

int UiRegistry::frames(int id) const
{
    const int kind = kinds_.value(id, 0);
    return kind == 3 ? 3 : (kind == 2 ? 2 : 1);
}

QFont UiRegistry::font(int id) const { return uiFont(id); }

QString UiRegistry::text(int id) const { return uiString(id); }

} // namespace dravonix
