#include "core/page/pagereport.h"

#include "core/page/linebreaks.h"

namespace headwise {
namespace {

// The scanners end every piece with CR LF.
QStringList pieces(const QString& crlfTerminated) {
    QStringList list = crlfTerminated.split(kCrLf);
    if (!list.isEmpty() && list.last().isEmpty())
        list.removeLast();
    return list;
}

} // namespace

TagReport reportTag(ScannedTag tag, const ScanResult& scan) {
    TagReport report{.tag = tag,
                     .count = scan.count,
                     .missing = reportsMissing(QString::number(scan.count)),
                     .boxText = {},
                     .found = {}};
    if (report.missing) {
        report.boxText = missingMessage(tag);
        return report;
    }
    report.boxText = scan.boxText;
    report.found = tag == ScannedTag::Title ? QStringList{scan.boxText} : pieces(scan.boxText);
    return report;
}

PageReport reportPage(const QString& page) {
    return reportScans(listMetaTags(page), [&](ScannedTag tag) { return scanTag(tag, page); });
}

PageReport reportScans(MetaTagListing listing, const std::function<ScanResult(ScannedTag)>& scan) {
    PageReport report;
    report.listing = std::move(listing);
    report.meta = pieces(report.listing.script);
    for (ScannedTag tag : kReportOrder) {
        report.tags.append(reportTag(tag, scan(tag)));
        report.complete = report.complete && !report.tags.last().missing;
    }
    return report;
}

} // namespace headwise
