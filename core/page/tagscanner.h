#pragma once

#include <QString>
#include <QStringList>
#include <array>

namespace headwise {

// The six tags whose presence the Analyze panel reports, in report order.
enum class ScannedTag { Title, Keywords, Description, Robots, Rating, Revisit };

inline constexpr std::array<ScannedTag, 6> kReportOrder = {ScannedTag::Title,       ScannedTag::Keywords,
                                                           ScannedTag::Description, ScannedTag::Robots,
                                                           ScannedTag::Rating,      ScannedTag::Revisit};

// Every "<meta" ... ">" piece of a page, each followed by CR LF, in page order.
// failed: the listing stopped at a "<meta" with no ">" after it; what was
// collected before it is kept.
struct MetaTagListing {
    QString script;
    bool failed = false;
};

MetaTagListing listMetaTags(const QString& page);

// One scanner run over a page.
// boxText: the title scanner keeps the last complete title; the meta scanners
// list every complete matching tag followed by CR LF.
// failed: the run stopped at an opening marker that is never closed.
struct ScanResult {
    QString boxText;
    qsizetype count = 0;
    bool failed = false;
};

ScanResult scanTag(ScannedTag tag, const QString& page);

// What the page must contain for the tag to count as present, e.g.
// <META NAME="Keywords" Content= (any letter case, blanks and quotes exact).
QString openingMarker(ScannedTag tag);

// What ends the tag's piece: "</title>" (any letter case) or ">".
QString closingMarker(ScannedTag tag);

// What opens each piece of the meta listing: "<meta", any letter case.
QString metaListingMarker();

QString missingMessage(ScannedTag tag);

// The name a report gives the tag: "Title", "Keywords" ...
QString tagName(ScannedTag tag);

// The report rule: a counter whose text equals or sorts before "0" by
// character codes means the tag is missing.
bool reportsMissing(const QString& counterText);

// Where new tags go: right after the first "<head>" (any letter case, only
// that exact tag text), or right after a charset declaring meta tag that is
// the first thing after it (only blanks and line breaks between); the start
// of the page when there is no "<head>".
qsizetype insertionPoint(const QString& page);

// The text "Insert-Scan" puts at the insertion point: CR LF, then the meta
// result boxes' texts joined with nothing between them.
QString insertScanText(const QStringList& metaBoxTexts);

// The page with every exact occurrence of the listed meta block removed; an
// empty block changes nothing.
QString removeMetaBlock(const QString& page, const QString& script);

} // namespace headwise
