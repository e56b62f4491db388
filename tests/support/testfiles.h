#pragma once

#include <QByteArray>
#include <QString>

namespace headwise::testing {

// Writes the bytes as the whole file, failing the test when it cannot; the path.
QString writeTestFile(const QString& path, const QByteArray& bytes);

// A file of that size with nothing written: the system leaves it sparse, so a
// test can hand a program a huge file at no cost; the path.
QString writeSparseTestFile(const QString& path, qint64 size);

// The file's bytes, or "<unreadable>", which no expected content equals, so a
// missing file never passes for an empty one.
QByteArray readTestFile(const QString& path);

} // namespace headwise::testing
