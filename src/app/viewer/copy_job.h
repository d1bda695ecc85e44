#pragma once
// Copies recordings into a folder on a worker thread. Each file is written
// to a temporary name beside its target and renamed only when complete, so a
// cancelled or failed copy leaves no partial file behind. Paths are the file
// system's bytes, so every name that can be listed can be copied.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>

namespace dravonix {

class CopyJob : public QObject {
    Q_OBJECT
public:
    CopyJob(QList<QByteArray> sources, QString folder) : sources_(std::move(sources)), folder_(std::move(folder)) {}
    void cancel() { cancelled_ = true; }
    // Where a source is copied to in `folder`: the folder and the source's own name.
    static QByteArray targetFor(const QByteArray& source, const QString& folder);
    // The targets that exist already (to ask before replacing them).
    static QList<QByteArray> existingTargets(const QList<QByteArray>& sources, const QString& folder);

public slots:
    void run();

signals:
    void progress(int percent, const QString& file);
    void finished(int copied, const QString& error); // error empty on success or cancel

private:
    bool copyOne(const QByteArray& source, const QByteArray& target, qint64 total, qint64& done, QString& error);

    QList<QByteArray> sources_;
    QString folder_;
    std::atomic<bool> cancelled_{false};
};

} // namespace dravonix
