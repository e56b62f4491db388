#include "pageinput.h"

#include "curlpagefetcher.h"
#include "pagefile.h"

#include <QFileInfo>
#include <QUrl>

namespace headwise::cli {
namespace {

LoadedPage failure(const QString& reason) {
    return {std::nullopt, reason};
}

LoadedPage fetch(const QString& address) {
    const QString scheme = QUrl(address).scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return failure(QStringLiteral("only http and https addresses can be fetched"));
    CurlPageFetcher fetcher;
    DecodedPage page = fetcher.fetchPage(address);
    if (page.text.isEmpty())
        return failure(
            QStringLiteral("could not fetch the page (no connection, no answer or an empty page)"));
    return {std::move(page), {}};
}

LoadedPage readFile(const QString& path) {
    if (const QString problem = pageFileProblem(path); !problem.isEmpty())
        return failure(problem);
    std::optional<DecodedPage> page = readPageFile(path);
    if (!page)
        return failure(QStringLiteral("cannot be read"));
    // Text pages never hold NUL characters once decoded; binary files do.
    if (page->text.contains(QChar(0)))
        return failure(QStringLiteral("is a binary file, not a text page"));
    return {std::move(page), {}};
}

} // namespace

QString tooLargeReason() {
    return QStringLiteral("larger than %1 MiB").arg(kMaxCliPageBytes / (1024 * 1024));
}

QString pageFileProblem(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("no such file");
    if (info.isDir())
        return QStringLiteral("is a directory, not a page");
    if (info.size() > kMaxCliPageBytes)
        return tooLargeReason();
    return {};
}

bool looksLikeAddress(const QString& input) {
    return input.contains(QLatin1String("://"));
}

LoadedPage loadPage(const QString& input) {
    return looksLikeAddress(input) ? fetch(input) : readFile(input);
}

} // namespace headwise::cli
