#include "curlpagefetcher.h"

namespace headwise {

CurlPageFetcher::CurlPageFetcher(std::chrono::milliseconds connectTimeout, std::chrono::milliseconds stallLimit,
                                 std::chrono::milliseconds totalLimit)
    : connectTimeout_(connectTimeout), stallLimit_(stallLimit), totalLimit_(totalLimit)
{
}

QString CurlPageFetcher::GetPageSource(const QString&) { return {}; }

} // namespace headwise
