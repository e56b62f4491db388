#include "net/siteaudit/auditinputs.h"

#include "core/page/pagefile.h"
#include "net/pagefetcher.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>

namespace headwise {
namespace {

const QStringList kPagePatterns{QStringLiteral("*.htm"), QStringLiteral("*.html"), QStringLiteral("*.xhtml")};

LoadedInput failure(const QString& reason) {
    return {std::nullopt, reason};
}

// Binary files hold NUL bytes; UTF-16 text does too, but starts with its BOM.
bool looksBinary(const QByteArray& bytes) {
    if (bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff"))
        return false;
    return bytes.contains('\0');
}

QString relativeForGlobs(const QString& path) {
    return QDir::cleanPath(QDir::fromNativeSeparators(path));
}

void expandFolder(const QString& folder, const audit::PathGlobs& skip, ExpandedInputs& out) {
    const QDir dir(folder);
    const QDir absolute(dir.absolutePath());
    QStringList found;
    QDirIterator it(absolute.path(), kPagePatterns, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(absolute.relativeFilePath(it.next()));
    // The iterator passes over a folder it cannot open without a word; the
    // pages in it must not go missing from a report that then looks clean.
    QDirIterator folders(absolute.path(), QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (folders.hasNext()) {
        const QFileInfo info(folders.next());
        if (!info.isReadable() || !info.isExecutable())
            out.problems.append(dir.filePath(absolute.relativeFilePath(info.filePath())) +
                                QStringLiteral(": this folder cannot be read"));
    }
    if (found.isEmpty()) {
        out.problems.append(folder + QStringLiteral(": no *.htm, *.html or *.xhtml pages in this folder"));
        return;
    }
    std::sort(found.begin(), found.end());
    for (const QString& relative : found)
        if (!skip.matches(relative))
            out.targets.append({dir.filePath(relative), false, absolute.path()});
}

} // namespace

ExpandedInputs expandInputs(const QStringList& inputs, const audit::PathGlobs& skip) {
    ExpandedInputs out;
    for (const QString& input : inputs) {
        if (hasScheme(input)) {
            out.targets.append({input, true, {}});
            continue;
        }
        if (QFileInfo(input).isDir()) {
            expandFolder(input, skip, out);
            continue;
        }
        if (!skip.matches(relativeForGlobs(input)))
            out.targets.append({input, false, {}}); // a missing file is reported when it is loaded, in order
    }
    return out;
}

LoadedInput loadAuditedFile(const QString& path) {
    PageBytesRead read = readPageBytes(path, kMaxAuditedPageBytes);
    if (read.failure != PageFileFailure::None)
        return failure(failureText(read.failure, kMaxAuditedPageBytes));
    if (read.bytes.isEmpty())
        return failure(QStringLiteral("is empty, not a page"));
    // The audit decodes the page itself; the bytes tell a binary file apart.
    if (looksBinary(read.bytes))
        return failure(failureText(PageFileFailure::Binary, kMaxAuditedPageBytes));
    audit::PageInput input;
    input.bytes = std::move(read.bytes);
    input.address = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
    return {std::move(input), {}};
}

LoadedInput loadFetchedPage(PageFetcher& fetcher, const QString& address,
                            std::shared_ptr<const RobotsRules> googlebotRobots, std::stop_token stop) {
    if (!isFetchedAddress(address))
        return failure(QStringLiteral("only http and https addresses can be fetched"));
    return fetchedInput(address, fetcher.fetch(address, std::move(stop)), std::move(googlebotRobots));
}
LoadedInput fetchedInput(const QString& address, FetchResult&& fetched,
                         std::shared_ptr<const RobotsRules> googlebotRobots) {
    if (!fetched.ok)
        return failure(QStringLiteral("could not fetch the page (%1)").arg(fetched.error));
    audit::PageInput input;
    input.bytes = std::move(fetched.body);
    input.httpCharset = QString::fromLatin1(fetched.charset);
    input.address = fetched.finalUrl.isEmpty() ? address : fetched.finalUrl;
    input.httpStatus = fetched.status;
    input.headers = std::move(fetched.headers);
    input.googlebotRobots = std::move(googlebotRobots);
    return {std::move(input), {}};
}

} // namespace headwise
