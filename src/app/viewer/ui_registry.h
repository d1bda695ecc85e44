#pragma once
// The UI resource registry: skin pictures, fonts and strings by the ids the
// windows use. Pictures come from the skin resources by name, fonts are
// Tahoma where installed (else the system's sans serif at the same size),
// strings come from the string table through the translator.

#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QString>

namespace dravonix {

class UiRegistry {
public:
    static UiRegistry& instance();

    QPixmap image(int id);               // an empty pixmap when it can't be loaded
    int frames(int id) const;            // 1, 2 (tabs) or 3 (buttons)
    QFont font(int id) const;
    QString text(int id) const;
    QPixmap byName(const QString& name); // the skin picture of that base name

private:
    UiRegistry();
    QHash<int, QString> names_;
    QHash<int, int> kinds_;
    QHash<QString, QPixmap> loaded_;
};

} // namespace dravonix
