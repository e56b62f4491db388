#include "registry.h"

#include <QMap>
#include <gtest/gtest.h>

using namespace headwise;

namespace {

// Keys by path, values by name; remembers what was asked of it.
class MemoryRegistry : public Registry {
public:
    std::optional<Key> openKey(quint32 root, const QString& path, quint32 accessMask) override {
        lastMask = accessMask;
        if (root != kHkeyLocalMachine || !keys.contains(path))
            return std::nullopt;
        openedPath = path;
        ++openCount;
        return Key(openCount);
    }
    std::optional<Stored> queryValue(Key, const QString& valueName, qsizetype bufferSize) override {
        const auto values = keys.value(openedPath);
        if (!values.contains(valueName) || values[valueName].bytes.size() > bufferSize)
            return std::nullopt;
        return values[valueName];
    }
    void closeKey(std::optional<Key>) override { ++closeCount; }

    QMap<QString, QMap<QString, Stored>> keys;
    QString openedPath;
    quint32 lastMask = 0;
    int openCount = 0;
    int closeCount = 0;
};

const QString kKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");

TEST(GetKeyValue, ReadsStoredValuesByType) {
    struct Case {
        const char* name;
        Registry::Stored stored;
        QByteArray expected;
    } cases[] = {
        {"string with its NUL", {kRegTypeString, QByteArray("C:\\msinfo32.exe\0", 16)}, "C:\\msinfo32.exe"},
        {"string without NUL", {kRegTypeString, QByteArray("C:\\msinfo32.exe")}, "C:\\msinfo32.exe"},
        {"only the last NUL goes", {kRegTypeString, QByteArray("ab\0\0", 4)}, QByteArray("ab\0", 3)},
        {"empty string", {kRegTypeString, QByteArray()}, ""},
        {"number", {kRegTypeNumber, QByteArray("\x39\x30\x00\x00", 4)}, "12345"},
        {"large number", {kRegTypeNumber, QByteArray("\xff\xff\xff\xff", 4)}, "4294967295"},
        {"other type keeps the value", {3, QByteArray("\x01\x02", 2)}, "before"},
    };
    for (const Case& c : cases) {
        MemoryRegistry registry;
        registry.keys[kKey]["PATH"] = c.stored;
        QString value = QStringLiteral("before");
        EXPECT_TRUE(GetKeyValue(registry, kHkeyLocalMachine, kKey, "PATH", value)) << c.name;
        EXPECT_EQ(value, QString::fromLatin1(c.expected)) << c.name;
        EXPECT_EQ(registry.lastMask, 0x2003Fu) << c.name;
        EXPECT_EQ(registry.closeCount, 1) << c.name;
    }
}

TEST(GetKeyValue, FailuresGiveFalseAndEmptyText) {
    MemoryRegistry registry;
    registry.keys[kKey]["PATH"] = {kRegTypeString, QByteArray(1025, 'x')}; // does not fit the buffer
    struct Case {
        quint32 root;
        QString path;
        QString name;
    } cases[] = {
        {kHkeyLocalMachine, "SOFTWARE\\Nowhere", "PATH"},
        {0x80000001u, kKey, "PATH"},
        {kHkeyLocalMachine, kKey, "MISSING"},
        {kHkeyLocalMachine, kKey, "PATH"},
    };
    for (const Case& c : cases) {
        QString value = QStringLiteral("before");
        EXPECT_FALSE(GetKeyValue(registry, c.root, c.path, c.name, value)) << c.path.toStdString();
        EXPECT_TRUE(value.isEmpty());
    }
    EXPECT_EQ(registry.closeCount, 4);
}

} // namespace
