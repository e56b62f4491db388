#include "pagefetcher.h"

namespace headwise {

DecodedPage PageFetcher::fetchPage(const QString& url) {
    try {
        const FetchResult result = fetch(url);
        if (!result.ok)
            return {};
        return decodePage(result.body, result.charset);
    } catch (...) {
        return {};
    }
}

} // namespace headwise
