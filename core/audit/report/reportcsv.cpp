#include "core/audit/report/csvtable.h"
#include "core/audit/report/reportformats.h"

namespace headwise::audit {

QByteArray csvReport(const QList<PageReport>& pages) {
    // The BOM tells spreadsheets the file is UTF-8; records end in CR LF.
    QString out = QStringLiteral("\uFEFFpage,rule,severity,line,column,message\r\n");
    for (const PageReport& page : pages)
        for (const Finding& f : page.findings)
            out += csvField(page.page) + u',' + f.rule + u',' + severityName(f.severity) + u',' +
                   (f.hasPosition() ? QString::number(f.line) : QString()) + u',' +
                   (f.hasPosition() ? QString::number(f.column) : QString()) + u',' + csvField(f.message) +
                   QLatin1String("\r\n");
    return out.toUtf8();
}

} // namespace headwise::audit
