#pragma once
// Copies recordings into a folder on a worker thread. Each file is written
// to a temporary name beside its target and renamed only when complete, so a
// cancelled or failed copy leaves no partial file behind.

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>

namespace dravonix {

class CopyJob : public QObject {
    Q_OBJECT
public:
    CopyJob(QStringList sources, QString folder) : sources_(std::move(sources)), folder_(std::move(folder)) {}
    void cancel() { cancelled_ = true; }
    // The targets that exist already (to ask before replacing them).
    static QStringList existingTargets(const QStringList& sources, const QString& folder);

public slots:
    void run();

signals:
    void progress(int percent, const QString& file);
    void finished(int copied, const QString& error); // error empty on success or cancel

private:
    bool copyOne(const QString& source, const QString& target, qint64 total, qint64& done, QString& error);

    QStringList sources_;
    QString folder_;
    std::atomic<bool> cancelled_{false};
};

} // namespace dravonix
