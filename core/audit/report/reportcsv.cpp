#include "core/audit/report/reportformats.h"

namespace headwise::audit {
namespace {

// RFC 4180: a field with a comma, a quote or a line break is quoted, its
// quotes doubled. A leading = + - @ would make a spreadsheet run the field
// as a formula; a page's text must never do that, so such a field gets a '.
QString field(const QString& value) {
    QString out = value;
    if (!out.isEmpty() && QStringLiteral("=+-@\t\r").contains(out.front()))
        out.prepend(QLatin1Char('\''));
    if (out.contains(QLatin1Char(',')) || out.contains(QLatin1Char('"')) || out.contains(QLatin1Char('\n')) ||
        out.contains(QLatin1Char('\r'))) {
        out.replace(QLatin1String("\""), QLatin1String("\"\""));
        out = QLatin1Char('"') + out + QLatin1Char('"');
    }
    return out;
}

} // namespace

QByteArray csvReport(const QList<PageReport>& pages) {
    // The BOM tells spreadsheets the file is UTF-8; records end in CR LF.
    QString out = QStringLiteral("\uFEFFpage,rule,severity,line,column,message\r\n");
    for (const PageReport& page : pages)
        for (const Finding& f : page.findings)
            out += field(page.page) + u',' + f.rule + u',' + severityName(f.severity) + u',' +
                   (f.hasPosition() ? QString::number(f.line) : QString()) + u',' +
                   (f.hasPosition() ? QString::number(f.column) : QString()) + u',' + field(f.message) +
                   QLatin1String("\r\n");
    return out.toUtf8();
}

} // namespace headwise::audit
