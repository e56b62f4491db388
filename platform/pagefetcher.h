#pragma once

#include "pagecodec.h"

#include <QString>

namespace headwise {

// Fetches a web page's source. Blocking; the empty text is the only sign of
// failure, and nothing is shown to the user.
class PageFetcher {
public:
    virtual ~PageFetcher() = default;
    virtual QString GetPageSource(const QString& url) = 0;
    // The same page with the encoding it was decoded with and the bytes that
    // came, so that a save writes what the page declares.
    virtual DecodedPage fetchPage(const QString& url) = 0;
};

} // namespace headwise
