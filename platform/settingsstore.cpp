#include "platform/settingsstore.h"

#include "core/appinfo.h"

#include <QSettings>

namespace headwise {
namespace {
const QString kGroup = QStringLiteral("Settings");
QString groupKey(const QString& group, const QString& key) {
    return group + QLatin1Char('/') + key;
}
} // namespace

QSettingsStore::QSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, applicationTitle(),
                                            applicationTitle())) {}

QSettingsStore::QSettingsStore(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

QSettingsStore::~QSettingsStore() = default;

QString QSettingsStore::read(const QString& key, const QString& fallback) {
    return readIn(kGroup, key, fallback);
}

void QSettingsStore::write(const QString& key, const QString& value) {
    writeIn(kGroup, key, value);
}

QString QSettingsStore::readIn(const QString& group, const QString& key, const QString& fallback) {
    if (settings_->status() != QSettings::NoError)
        return fallback;
    const QVariant value = settings_->value(groupKey(group, key));
    // A list ("a, b" in the file) or a serialised variant is not a text we wrote.
    if (!value.isValid() || value.typeId() != QMetaType::QString)
        return fallback;
    return value.toString();
}

void QSettingsStore::writeIn(const QString& group, const QString& key, const QString& value) {
    settings_->setValue(groupKey(group, key), value);
}

} // namespace headwise
