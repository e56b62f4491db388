#include "core/audit/report/csvtable.h"

namespace headwise::audit {

// A field with a comma, a quote or a line break is quoted, its quotes
// doubled. A leading = + - @ would make a spreadsheet run the field as a
// formula; a page's text must never do that, so such a field gets a '.
QString csvField(const QString& value) {
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

QByteArray csvTable(const QStringList& header, const QList<QStringList>& rows) {
    QString out = QStringLiteral("\uFEFF");
    const auto record = [&out](const QStringList& fields) {
        for (qsizetype i = 0; i < fields.size(); ++i)
            out += (i > 0 ? QStringLiteral(",") : QString()) + csvField(fields[i]);
        out += QLatin1String("\r\n");
    };
    record(header);
    for (const QStringList& row : rows)
        record(row);
    return out.toUtf8();
}

} // namespace headwise::audit
