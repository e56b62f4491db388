#pragma once

#include "pagecodec.h"

#include <QString>
#include <optional>

namespace headwise::cli {

// Pages larger than this are refused from the command line: batch checks of
// real pages never need more, and a mistaken argument should fail fast.
inline constexpr qint64 kMaxCliPageBytes = qint64(64) * 1024 * 1024;

struct LoadedPage {
    std::optional<DecodedPage> page;
    QString error; // why there is no page: one line, naming no input
};

bool looksLikeAddress(const QString& input);

// Why a path cannot be a page before it is read (missing, a folder, too large),
// or the empty text; the audit and the other commands give the same reasons.
QString pageFileProblem(const QString& path);
QString tooLargeReason();

// A local file or a web address, through the same loading and decoding as the window.
LoadedPage loadPage(const QString& input);

} // namespace headwise::cli
