#include "catalogue/folder_scan.h"
#include "catalogue/folder_listing.h"
#include "toolkit/atomic_file.h"

#include <QFile>

#include <algorithm>
#include <cstdint>
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

enum class PathOrder { Sorted, AsListed };
Expected<FolderScan, ScanError> scanFrom(const QByteArray& nativeRoot, const QString& rootText, PathOrder order);

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
    return scanFrom(QFile::encodeName(rootText), rootText, PathOrder::Sorted);
}

Expected<FolderScan, ScanError> scanNativeFolder(const QByteArray& nativePath)
{
    if (nativePath.isEmpty())
        return unexpected(ScanError::EmptyPath);
    const QByteArray root = withoutTrailingSeparators(nativePath);
    return scanFrom(root, QFile::decodeName(root), PathOrder::Sorted);
}

int comparePaths(QStringView aText, const QByteArray& aBytes, QStringView bText, const QByteArray& bBytes)
{
    const int byText = aText.compare(bText);
    if (byText != 0)
        return byText < 0 ? -1 : 1;
    return aBytes == bBytes ? 0 : (aBytes < bBytes ? -1 : 1);
}

Expected<RecordingList, ScanError> listRecordings(const QByteArray& nativePath)
{
    if (nativePath.isEmpty())
        return unexpected(ScanError::EmptyPath);
    const QByteArray root = withoutTrailingSeparators(nativePath);
    auto scan = scanFrom(root, QFile::decodeName(root), PathOrder::AsListed);
    if (!scan)
        return unexpected(scan.error());
    RecordingList list;
    list.unreadableFolders = scan->unreadableFolders;
    list.rows = makeRecordingRows(std::move(scan->files));
    sortRecordingRowsByKeyThenPath(list.rows);
    return list;
}

namespace {

bool isAscii(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string_view bytesOf(const QByteArray& bytes)
{
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

// For two ASCII paths the order of their bytes is the order of their texts,
// and much cheaper to find.
void sortByPath(std::vector<ScannedFile>& files)
{
    std::vector<char> ascii(files.size());
    for (std::size_t i = 0; i < files.size(); ++i)
        ascii[i] = isAscii(std::string_view(files[i].nativePath.constData(),
                                            static_cast<std::size_t>(files[i].nativePath.size())));
    std::vector<std::uint32_t> order(files.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<std::uint32_t>(i);
    std::sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
        const ScannedFile& a = files[x];
        const ScannedFile& b = files[y];
        if (ascii[x] && ascii[y])
            return bytesOf(a.nativePath) < bytesOf(b.nativePath);
        return comparePaths(a.fullPath, a.nativePath, b.fullPath, b.nativePath) < 0;
    });
    std::vector<ScannedFile> sorted;
    sorted.reserve(files.size());
    for (const std::uint32_t i : order)
        sorted.push_back(std::move(files[i]));
    files = std::move(sorted);
}

// Every file with the recording extension at every depth, handed to
// `onFile` with its folder's native path and whatever `child` made for that
// folder from its parent's (the text shown, or nothing). Links to folders
// are not followed, so a loop of links can't trap the walk. Gives the count
// of folders below the root that couldn't be listed.
template <typename Shown, typename Child, typename OnFile>
Expected<int, ScanError> walkRecordingFiles(const QByteArray& nativeRoot, Shown rootShown, Child child, OnFile onFile)
{
    std::error_code ec;
    const fs::path root(nativeRoot.toStdString());
    const fs::file_status status = fs::status(root, ec);
    if (ec || !fs::exists(status))
        return unexpected(ScanError::NotFound);
    if (!fs::is_directory(status))
        return unexpected(ScanError::NotAFolder);

    struct Pending {
        std::string native; // "" for the root folder "/"
        Shown shown;
    };
    int unreadable = 0;
    std::vector<Pending> pending{{nativeRoot == "/" ? std::string() : nativeRoot.toStdString(), std::move(rootShown)}};
    bool first = true;
    std::string childPath;
    while (!pending.empty()) {
        Pending folder = std::move(pending.back());
        pending.pop_back();
        bool staleTemporaries = false;
        const FolderListing listing = listFolder(folder.native.empty() ? std::string("/") : folder.native,
                                                 [&](const FolderEntry& entry) {
            const std::string_view name = entry.name;
            if (entry.isFolder) {
                if (!entry.isLink) {
                    childPath.assign(folder.native).append(1, '/').append(name);
                    pending.push_back({childPath, child(folder.shown, name)});
                }
                return;
            }
            if (!hasRecordingExtension(name)) {
                // A settings file's replacement that a killed writer left.
                staleTemporaries = staleTemporaries || isReplacementTemporary(name);
                return;
            }
            onFile(folder.native, folder.shown, name);
        });
        if (listing == FolderListing::Unreadable) {
            if (first)
                return unexpected(ScanError::Unreadable);
            ++unreadable;
            continue;
        }
        first = false;
        if (listing == FolderListing::BrokeOff) // keep what was found
            ++unreadable;
        if (staleTemporaries)
            removeStaleTemporaries(fs::path(folder.native.empty() ? std::string("/") : folder.native));
    }
    return unreadable;
}

Expected<FolderScan, ScanError> scanFrom(const QByteArray& nativeRoot, const QString& rootPath, PathOrder order)
{
    FolderScan scan;
    const auto childText = [](const QString& parent, std::string_view name) {
        return parent + QLatin1Char('/') + decodedName(name);
    };
    const auto onFile = [&](const std::string& folderNative, const QString& folderText, std::string_view name) {
        // Built in place: a card holds tens of thousands of these.
        QString fullPath;
        fullPath.reserve(folderText.size() + 1 + static_cast<qsizetype>(name.size()));
        fullPath += folderText;
        fullPath += QLatin1Char('/');
        if (isAscii(name))
            fullPath += QLatin1StringView(name.data(), static_cast<qsizetype>(name.size()));
        else
            fullPath += decodedName(name);
        QByteArray nativePath;
        nativePath.reserve(static_cast<qsizetype>(folderNative.size() + 1 + name.size()));
        nativePath.append(folderNative.data(), static_cast<qsizetype>(folderNative.size()))
            .append('/')
            .append(name.data(), static_cast<qsizetype>(name.size()));
        scan.files.push_back({std::move(fullPath), folderText.size() + 1, std::move(nativePath)});
    };
    const QString rootText = rootPath == QLatin1String("/") ? QString() : rootPath;
    auto walked = walkRecordingFiles(nativeRoot, rootText, childText, onFile);
    if (!walked)
        return unexpected(walked.error());
    scan.unreadableFolders = *walked;
    // Names that differ only in bytes that are not UTF-8 show the same text;
    // their bytes settle the order so that it never depends on the listing.
    if (order == PathOrder::Sorted)
        sortByPath(scan.files);
    return scan;
}

} // namespace

Expected<NativeScan, ScanError> scanNativePaths(const QByteArray& nativePath)
{
    if (nativePath.isEmpty())
        return unexpected(ScanError::EmptyPath);
    NativeScan scan;
    struct Nothing {};
    const auto onFile = [&](const std::string& folder, Nothing, std::string_view name) {
        std::string& path = scan.paths.emplace_back();
        path.reserve(folder.size() + 1 + name.size());
        path.append(folder).append(1, '/').append(name);
    };
    auto walked = walkRecordingFiles(withoutTrailingSeparators(nativePath), Nothing{},
                                     [](Nothing, std::string_view) { return Nothing{}; }, onFile);
    if (!walked)
        return unexpected(walked.error());
    scan.unreadableFolders = *walked;
    return scan;
}

} // namespace dravonix
