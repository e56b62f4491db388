#pragma once

#include "core/audit/engine/auditconfig.h"
#include "core/audit/engine/pageaudit.h"

#include <QString>
#include <QStringList>
#include <QUrl>

namespace headwise::audit {

// The sizes a search result sets its lines in; the width rules measure at these.
inline constexpr double kTitleFontPx = 20;
inline constexpr double kDescriptionFontPx = 14;
// The description's room is spread over two lines of this width.
inline constexpr double kDescriptionLineWidthPx = 600;
inline constexpr int kDescriptionLines = 2;

// What a search result shows for the page, cut where the width rules cut.
struct SearchPreview {
    QString addressLine; // the address; for a file, its name
    QString linkLine;    // the title as shown, or the address when the page has none
    bool titleCut = false;
    QStringList descriptionLines; // at most kDescriptionLines
    bool descriptionCut = false;
};

// address: the page's address (http(s) or file:// URL), empty when unknown.
SearchPreview searchPreview(const PageAudit& audit, const QString& address, const AuditConfig& config);

// What a shared link's card shows.
struct CardPreview {
    QString title;
    QString description;
    QString host;      // of og:url, else of the page's address
    QString imageFile; // og:image as a file next to a page read from disk
    QUrl imageUrl;     // og:image to fetch, http(s) only
};

CardPreview cardPreview(const PageAudit& audit, const QString& address);

// Greedy word wrap of text into lines of at most widthPx; a word wider than a
// line stands alone on its line.
QStringList wrapToWidth(const QString& text, double widthPx, double fontPx);

} // namespace headwise::audit
