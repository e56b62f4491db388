#include "testfiles.h"

#include <QFile>
#include <gtest/gtest.h>

namespace headwise::testing {

QString writeTestFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        ADD_FAILURE() << "cannot write " << path.toStdString();
        return path;
    }
    EXPECT_EQ(file.write(bytes), bytes.size()) << path.toStdString();
    return path;
}

QString writeSparseTestFile(const QString& path, qint64 size) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(size)) << "cannot make " << path.toStdString();
    return path;
}

QByteArray readTestFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace headwise::testing
