#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace headwise::audit {

// A value as one CSV field (RFC 4180), safe to open in a spreadsheet.
QString csvField(const QString& value);

// A table as a CSV file: a header row, then the rows, each field as csvField
// makes it; UTF-8 with a BOM, records ending in CR LF, as the CSV report.
QByteArray csvTable(const QStringList& header, const QList<QStringList>& rows);

} // namespace headwise::audit
