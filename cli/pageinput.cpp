#include "pageinput.h"

#include "pagefetcher.h"
#include "pagefile.h"

namespace headwise::cli {
namespace {

LoadedPage failure(const QString& reason) {
    return {std::nullopt, reason};
}

LoadedPage fetch(const QString& address, PageFetcher& fetcher) {
    if (!isFetchedAddress(address))
        return failure(QStringLiteral("only http and https addresses can be fetched"));
    DecodedPage page = fetcher.fetchPage(address).page;
    if (page.text.isEmpty())
        return failure(
            QStringLiteral("could not fetch the page (no connection, no answer or an empty page)"));
    return {std::move(page), {}};
}

} // namespace

LoadedPage readPage(const QString& path) {
    PageFileRead read = readPageFile(path, kMaxCliPageBytes);
    if (!read.page)
        return failure(failureText(read.failure, kMaxCliPageBytes));
    return {std::move(read.page), {}};
}

LoadedPage loadPage(const QString& input, PageFetcher& fetcher) {
    return hasScheme(input) ? fetch(input, fetcher) : readPage(input);
}

} // namespace headwise::cli
