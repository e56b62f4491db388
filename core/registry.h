#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace headwise {

inline constexpr quint32 kHkeyLocalMachine = 0x80000002u;
inline constexpr quint32 kRegTypeString = 1;
inline constexpr quint32 kRegTypeNumber = 4;

// The few calls of a key-value registry that a value lookup needs.
class Registry {
public:
    using Key = quintptr;
    struct Stored {
        quint32 type;
        QByteArray bytes; // what the registry wrote into the caller's buffer
    };

    virtual ~Registry() = default;
    virtual std::optional<Key> openKey(quint32 root, const QString& path, quint32 accessMask) = 0;
    // Fails when the value is missing or does not fit into bufferSize bytes.
    virtual std::optional<Stored> queryValue(Key key, const QString& valueName, qsizetype bufferSize) = 0;
    virtual void closeKey(std::optional<Key> key) = 0;
};

// Reads one value: string values lose a closing NUL, numbers become decimal
// text, any other type is found but leaves value as it was. False and an
// empty value when the key cannot be opened or the value cannot be read.
bool GetKeyValue(Registry& registry, quint32 root, const QString& keyPath, const QString& valueName,
                 QString& value);

} // namespace headwise
