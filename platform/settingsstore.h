#pragma once

#include <QString>
#include <memory>

class QSettings;

namespace headwise {

// Per-user string settings of the group "Settings", and of other named groups.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or fallback when the key is absent, unreadable or not a plain string.
    virtual QString read(const QString& key, const QString& fallback) = 0;
    virtual void write(const QString& key, const QString& value) = 0;
    virtual QString readIn(const QString& group, const QString& key, const QString& fallback) = 0;
    virtual void writeIn(const QString& group, const QString& key, const QString& value) = 0;
};

class QSettingsStore final : public SettingsStore {
public:
    // Organisation and application "Headwise": Headwise/Headwise.conf in the user's config folder.
    QSettingsStore();
    // A store in an explicit file, for tests that need a real file.
    explicit QSettingsStore(const QString& iniFile);
    ~QSettingsStore() override;

    QString read(const QString& key, const QString& fallback) override;
    void write(const QString& key, const QString& value) override;
    QString readIn(const QString& group, const QString& key, const QString& fallback) override;
    void writeIn(const QString& group, const QString& key, const QString& value) override;

private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace headwise
