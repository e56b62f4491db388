#pragma once

#include <QString>

namespace headwise {

// Fetches a web page's source. Blocking; the empty text is the only sign of
// failure, and nothing is shown to the user.
class PageFetcher {
public:
    virtual ~PageFetcher() = default;
    virtual QString GetPageSource(const QString& url) = 0;
};

} // namespace headwise
