#include "cli/pageinput.h"

#include "core/page/pagefile.h"
#include "net/pagefetcher.h"

namespace headwise::cli {
namespace {

LoadedPage failure(const QString& reason) {
    return {std::nullopt, reason};
}

const QString kNotFetched = QStringLiteral("only http and https addresses can be fetched");
const QString kFetchFailed =
    QStringLiteral("could not fetch the page (no connection, no answer or an empty page)");

// An error page is the server's, not the page asked for.
bool isErrorStatus(int status) {
    return status >= 400;
}

QString errorStatusText(int status) {
    return QStringLiteral("the server answered %1 instead of the page").arg(status);
}

LoadedPage fetch(const QString& address, PageFetcher& fetcher) {
    if (!isFetchedAddress(address))
        return failure(kNotFetched);
    FetchedPage fetched = fetcher.fetchPage(address);
    if (isErrorStatus(fetched.status))
        return failure(errorStatusText(fetched.status));
    if (fetched.page.text.isEmpty())
        return failure(kFetchFailed);
    return {std::move(fetched.page), {}};
}

LoadedBytes bytesFailure(const QString& reason) {
    return {std::nullopt, reason};
}

LoadedBytes fetchBytes(const QString& address, PageFetcher& fetcher) {
    if (!isFetchedAddress(address))
        return bytesFailure(kNotFetched);
    FetchedBytes fetched = fetcher.fetchPageBytes(address);
    if (isErrorStatus(fetched.status))
        return bytesFailure(errorStatusText(fetched.status));
    BytePage page(std::move(fetched.bytes), fetched.charset);
    if (!fetched.ok || page.isEmpty())
        return bytesFailure(kFetchFailed);
    return {std::move(page), {}};
}

LoadedBytes readBytes(const QString& path) {
    PageBytesRead read = readPageBytes(path, kMaxCliPageBytes);
    if (read.failure != PageFileFailure::None)
        return bytesFailure(failureText(read.failure, kMaxCliPageBytes));
    BytePage page(std::move(read.bytes));
    // As readPageFile decides: text pages never hold a NUL.
    if (page.holdsNul())
        return bytesFailure(failureText(PageFileFailure::Binary, kMaxCliPageBytes));
    return {std::move(page), {}};
}

} // namespace

LoadedPage readPage(const QString& path) {
    return loadPageFile(path, kMaxCliPageBytes);
}

LoadedPage loadPage(const QString& input, PageFetcher& fetcher) {
    return hasScheme(input) ? fetch(input, fetcher) : readPage(input);
}

LoadedBytes loadPageBytes(const QString& input, PageFetcher& fetcher) {
    return hasScheme(input) ? fetchBytes(input, fetcher) : readBytes(input);
}

} // namespace headwise::cli
