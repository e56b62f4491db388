#pragma once

#include <QString>

namespace headwise {

// Passwords kept by the system (the Secret Service on Linux). Every call
// blocks for at most a few seconds; a keyring that does not answer in time
// counts as unavailable.
class Keyring {
public:
    enum class Result { Done, NotFound, Unavailable };

    virtual ~Keyring() = default;
    virtual Result readPassword(const QString& key, QString& password) = 0;
    virtual Result writePassword(const QString& key, const QString& password) = 0;
    virtual Result deletePassword(const QString& key) = 0;
};

// Through QtKeychain, under the service name "Headwise".
class SystemKeyring final : public Keyring {
public:
    Result readPassword(const QString& key, QString& password) override;
    Result writePassword(const QString& key, const QString& password) override;
    Result deletePassword(const QString& key) override;
};

// For windows given no keyring: it never answers.
Keyring& absentKeyring();

} // namespace headwise
