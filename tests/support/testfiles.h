#pragma once

#include <QByteArray>
#include <QString>

namespace headwise::testing {

// Writes the bytes as the whole file, failing the test when it cannot; the path.
QString writeTestFile(const QString& path, const QByteArray& bytes);

// The file's bytes, or "<unreadable>", which no expected content equals, so a
// missing file never passes for an empty one.
QByteArray readTestFile(const QString& path);

} // namespace headwise::testing
