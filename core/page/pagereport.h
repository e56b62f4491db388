#pragma once

#include "core/page/tagscanner.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace headwise {

// One of the six tags as the Analyze report shows it.
struct TagReport {
    ScannedTag tag;
    qsizetype count = 0;
    bool missing = false;
    QString boxText;   // the scanner's text, or the missing message
    QStringList found; // each complete tag (the title: the last one), nothing when missing
};

// The report rule applied to one scanner run.
TagReport reportTag(ScannedTag tag, const ScanResult& scan);

// The listing and the six tags, in report order.
struct PageReport {
    MetaTagListing listing;
    QStringList meta; // the listing's pieces, without their CR LF
    QList<TagReport> tags;
    bool complete = true; // no tag missing
};

PageReport reportPage(const QString& page);

// The report from a page's listing and its scanner runs, asked in report order.
PageReport reportScans(MetaTagListing listing, const std::function<ScanResult(ScannedTag)>& scan);

} // namespace headwise
