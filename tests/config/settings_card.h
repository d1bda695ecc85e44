#pragma once
// A folder standing in for the camera's card, and a settings dialog opened on
// it through DRAVONIX_TEST_VOLUMES, the way the viewer opens it. Messages are
// recorded instead of shown, and the save dialog is answered by the test.

#include "card/volumes.h"
#include "card/volumes_from_environment.h"
#include "config/ui/settings_dialog.h"

#include <QAbstractButton>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace dravonix::testing {

struct RecordedMessage {
    QWidget* parent;
    ShownMessage message;
};

class SettingsCard {
public:
    SettingsCard() { QDir(root_.path()).mkpath(QStringLiteral("card")); }
    ~SettingsCard() { qunsetenv("DRAVONIX_TEST_VOLUMES"); }

    QString folder() const { return root_.filePath(QStringLiteral("card")); }
    QString configFile() const { return folder() + QStringLiteral("/config.bin"); }

    void write(const DeviceConfig& config) { write(QByteArray(reinterpret_cast<const char*>(config.bytes().data()), 500)); }
    void write(const QByteArray& bytes)
    {
        QFile file(configFile());
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
    }
    QByteArray bytes() const
    {
        QFile file(configFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    DeviceConfig saved() const
    {
        DeviceConfig config;
        const QByteArray b = bytes();
        config.overwriteWith(std::span(reinterpret_cast<const std::uint8_t*>(b.constData()), static_cast<std::size_t>(b.size())));
        return config;
    }

    // Opens the dialog with the card (and any further "FOLDER=LABEL" volumes) as the machine's volumes.
    SettingsDialog& open(const QString& volumes = {})
    {
        qputenv("DRAVONIX_TEST_VOLUMES", (volumes.isNull() ? folder() + QStringLiteral("=") : volumes).toUtf8());
        volumes_ = volumesFromEnvironment();
        dialog_ = std::make_unique<SettingsDialog>(
            *volumes_, nullptr,
            [this](QWidget*) {
                ++asked;
                return answer;
            },
            [this](QWidget* parent, const ShownMessage& message) { messages.push_back({parent, message}); });
        return *dialog_;
    }
    SettingsDialog& dialog() { return *dialog_; }
    // The card taken out of the machine; its folder stays, as a mount point does.
    void takeOut() { dynamic_cast<FolderVolumes&>(*volumes_).remove(QFile::encodeName(folder()).toStdString()); }

    template <typename T = QAbstractButton>
    T* find(const QString& name) const
    {
        return dialog_->findChild<T*>(name);
    }
    // Clicks a control by name; false when there is none.
    bool click(const QString& name) const
    {
        QAbstractButton* button = find(name);
        if (button != nullptr)
            button->click();
        return button != nullptr;
    }
    bool checked(const QString& name) const
    {
        const QAbstractButton* button = find(name);
        return button != nullptr && button->isChecked();
    }
    // The names of the checked buttons among "<row>.0", "<row>.1", ...
    QStringList checkedIn(const QString& row) const
    {
        QStringList out;
        for (int i = 0; find(row + QLatin1Char('.') + QString::number(i)) != nullptr; ++i)
            if (checked(row + QLatin1Char('.') + QString::number(i)))
                out << row + QLatin1Char('.') + QString::number(i);
        return out;
    }
    QString lastMessage() const { return messages.empty() ? QString() : messages.back().message.text; }

    std::vector<RecordedMessage> messages;
    QString answer; // what the save dialog answers
    int asked = 0;

private:
    QTemporaryDir root_;
    std::unique_ptr<Volumes> volumes_;
    std::unique_ptr<SettingsDialog> dialog_;
};

} // namespace dravonix::testing
