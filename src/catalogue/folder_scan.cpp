#include "catalogue/folder_scan.h"
#include "toolkit/atomic_file.h"

#include <QFile>

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace dravonix {
namespace {

template <typename Text>
Text withoutTrailingSeparators(Text path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

Expected<FolderScan, ScanError> scanFrom(const QByteArray& nativeRoot, const QString& rootText);

QString decodedName(std::string_view name)
{
    return QFile::decodeName(QByteArray::fromRawData(name.data(), static_cast<qsizetype>(name.size())));
}

// The extension test on the name's bytes: "mp4" has no letters that other
// characters fold to, so this agrees with the test on the text.
bool hasRecordingExtension(std::string_view name)
{
    if (name.size() < 4)
        return false;
    const std::string_view tail = name.substr(name.size() - 4);
    return tail[0] == '.' && (tail[1] | 0x20) == 'm' && (tail[2] | 0x20) == 'p' && tail[3] == '4';
}

struct PendingFolder {
    fs::path native;
    QString path; // as shown: the root's text, then "/" and each name
};

} // namespace

QString scanErrorText(ScanError error)
{
    switch (error) {
    case ScanError::EmptyPath: return QStringLiteral("no folder given");
    case ScanError::NotFound: return QStringLiteral("no such folder");
    case ScanError::NotAFolder: return QStringLiteral("not a folder");
    case ScanError::Unreadable: return QStringLiteral("the folder cannot be read");
    }
    return {};
}

bool hasRecordingExtension(QStringView name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || name.size() - dot - 1 != 3)
        return false;
    return name.mid(dot + 1).compare(QLatin1String("mp4"), Qt::CaseInsensitive) == 0;
}

Expected<FolderScan, ScanError> scanFolder(const QString& path)
{
    if (path.isEmpty())
        return unexpected(ScanError::EmptyPath);
    const QString rootText = withoutTrailingSeparators(path);
    return scanFrom(QFile::encodeName(rootText), rootText);
}

Expected<FolderScan, ScanError> scanNativeFolder(const QByteArray& nativePath)
{
    if (nativePath.isEmpty())
        return unexpected(ScanError::EmptyPath);
    const QByteArray root = withoutTrailingSeparators(nativePath);
    return scanFrom(root, QFile::decodeName(root));
}

namespace {

Expected<FolderScan, ScanError> scanFrom(const QByteArray& nativeRoot, const QString& rootPath)
{
    std::error_code ec;
    const fs::path root(nativeRoot.toStdString());
    const fs::file_status status = fs::status(root, ec);
    if (ec || !fs::exists(status))
        return unexpected(ScanError::NotFound);
    if (!fs::is_directory(status))
        return unexpected(ScanError::NotAFolder);

    FolderScan scan;
    const QString rootPrefix = rootPath == QLatin1String("/") ? QString() : rootPath;
    std::vector<PendingFolder> pending{{root, rootPrefix}};
    bool first = true;
    while (!pending.empty()) {
        PendingFolder folder = std::move(pending.back());
        pending.pop_back();
        fs::directory_iterator it(folder.native, fs::directory_options::none, ec);
        if (ec) {
            if (first)
                return unexpected(ScanError::Unreadable);
            ++scan.unreadableFolders;
            ec.clear();
            continue;
        }
        first = false;
        for (; it != fs::directory_iterator(); it.increment(ec)) {
            const fs::directory_entry& entry = *it;
            const std::string& nativePath = entry.path().native();
            const std::string_view name = std::string_view(nativePath).substr(nativePath.rfind('/') + 1);
            std::error_code typeError;
            const bool isLink = entry.is_symlink(typeError);
            const bool isFolder = entry.is_directory(typeError); // follows a link: linked folders are folders
            if (isFolder) {
                if (!isLink)
                    pending.push_back({entry.path(), folder.path + QLatin1Char('/') + decodedName(name)});
                continue;
            }
            if (!hasRecordingExtension(name)) {
                // A settings file's replacement that a killed writer left.
                if (isReplacementTemporary(name))
                    removeStaleTemporaries(folder.native);
                continue;
            }
            // Built in place: a card holds tens of thousands of these.
            QString fullPath;
            fullPath.reserve(folder.path.size() + 1 + static_cast<qsizetype>(name.size()));
            fullPath += folder.path;
            fullPath += QLatin1Char('/');
            if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
                fullPath += QLatin1StringView(name.data(), static_cast<qsizetype>(name.size()));
            else
                fullPath += decodedName(name);
            scan.files.push_back({std::move(fullPath), folder.path.size() + 1,
                                  QByteArray(nativePath.data(), static_cast<qsizetype>(nativePath.size()))});
        }
        if (ec) { // the listing broke off (the card was pulled): keep what was found
            ++scan.unreadableFolders;
            ec.clear();
        }
    }
    // Names that differ only in bytes that are not UTF-8 show the same text;
    // their bytes settle the order so that it never depends on the listing.
    std::sort(scan.files.begin(), scan.files.end(), [](const ScannedFile& a, const ScannedFile& b) {
        const int byText = QStringView(a.fullPath).compare(QStringView(b.fullPath));
        return byText != 0 ? byText < 0 : a.nativePath < b.nativePath;
    });
    return scan;
}

} // namespace

} // namespace dravonix
