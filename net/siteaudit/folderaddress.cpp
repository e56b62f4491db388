#include "net/siteaudit/folderaddress.h"

#include "core/audit/engine/chunkedwork.h"
#include "core/site/pagelinks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace headwise {

namespace {

// A head is read in a first piece, and further only when it goes on past it
// (large inline styles): most pages name their canonical in the first kilobytes.
constexpr qint64 kFirstBytes = 8 * 1024;
constexpr qint64 kMostBytes = 1024 * 1024;

std::optional<QString> canonicalOfFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(kFirstBytes);
    bool ended = false;
    std::optional<QString> found = headCanonical(QString::fromUtf8(bytes), &ended);
    if (!found && !ended && bytes.size() == kFirstBytes) {
        bytes += file.read(kMostBytes - kFirstBytes);
        found = headCanonical(QString::fromUtf8(bytes));
    }
    return found;
}

} // namespace

std::optional<audit::SiteAddress> folderAddress(const QString& root, const QStringList& pages, int jobs) {
    // Pages are named as given (relative to the working folder, often), the
    // root absolutely: both are compared as absolute paths.
    const QDir folder(QFileInfo(root).absoluteFilePath());
    QList<audit::FileCanonical> found(pages.size());
    constexpr qsizetype kPagesPerPiece = 64;
    audit::FileCanonical* const out = found.data();
    audit::runChunks((pages.size() + kPagesPerPiece - 1) / kPagesPerPiece, jobs, [&](qsizetype piece) {
        const qsizetype last = std::min(pages.size(), (piece + 1) * kPagesPerPiece);
        for (qsizetype i = piece * kPagesPerPiece; i < last; ++i)
            if (std::optional<QString> canonical = canonicalOfFile(pages[i]))
                out[i] = {.path = QDir::fromNativeSeparators(
                              folder.relativeFilePath(QFileInfo(pages[i]).absoluteFilePath())),
                          .canonical = std::move(*canonical)};
    });
    return audit::inferSiteAddress(found);
}

} // namespace headwise
