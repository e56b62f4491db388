#include "registry.h"

#include <QtEndian>

namespace headwise {
namespace {
// Query, set, create subkey, enumerate, notify, create link and read control.
constexpr quint32 kAccessMask = 0x2003F;
constexpr qsizetype kBufferSize = 1024;
} // namespace

bool GetKeyValue(Registry& registry, quint32 root, const QString& keyPath, const QString& valueName,
                 QString& value) {
    const std::optional<Registry::Key> key = registry.openKey(root, keyPath, kAccessMask);
    if (!key) {
        value.clear();
        registry.closeKey(key);
        return false;
    }
    const std::optional<Registry::Stored> stored = registry.queryValue(*key, valueName, kBufferSize);
    if (!stored) {
        value.clear();
        registry.closeKey(key);
        return false;
    }
    QByteArray buffer = stored->bytes.left(kBufferSize);
    if (!buffer.isEmpty() && buffer.back() == '\0')
        buffer.chop(1);

    if (stored->type == kRegTypeString) {
        value = QString::fromLatin1(buffer);
    } else if (stored->type == kRegTypeNumber) {
        QByteArray number = stored->bytes.left(4);
        while (number.size() < 4)
            number.append('\0');
        value = QString::number(qFromLittleEndian<quint32>(number.constData()));
    }
    registry.closeKey(key);
    return true;
}

} // namespace headwise
