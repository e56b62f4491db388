#pragma once

#include "core/page/bytereport.h"
#include "core/page/pagecodec.h"
#include "core/page/pagefile.h"
#include "net/siteaudit/auditinputs.h"

#include <QString>
#include <optional>

namespace headwise {
class PageFetcher;
}

namespace headwise::cli {

// Every command refuses pages larger than the audit does.
inline constexpr qint64 kMaxCliPageBytes = kMaxAuditedPageBytes;

// A local file, through the same loading and decoding as the window.
LoadedPage readPage(const QString& path);

// A text with a scheme is a web address and goes to the fetcher; anything
// else is a file.
LoadedPage loadPage(const QString& input, PageFetcher& fetcher);

// The same, with the same failures, kept as bytes for the commands that only
// scan the page.
using LoadedBytes = Loaded<BytePage>;
LoadedBytes loadPageBytes(const QString& input, PageFetcher& fetcher);

} // namespace headwise::cli
