#pragma once

#include <QString>
#include <functional>

class QObject;

namespace headwise {

// Passwords kept by the system (the Secret Service on Linux). Nothing blocks:
// each call hands its outcome to done on the GUI thread, once, and never after
// context is destroyed; a keyring that does not answer in time counts as
// unavailable. An answer may come before the call returns.
class Keyring {
public:
    enum class Result { Done, NotFound, Unavailable };
    using ReadDone = std::function<void(Result result, const QString& password)>;
    using Done = std::function<void(Result result)>; // may be empty: nobody waits

    virtual ~Keyring() = default;
    virtual void readPassword(const QString& key, QObject* context, ReadDone done) = 0;
    virtual void writePassword(const QString& key, const QString& password, QObject* context, Done done) = 0;
    virtual void deletePassword(const QString& key, QObject* context, Done done) = 0;
};

// Through QtKeychain, under the service name "Headwise"; always answers later.
class SystemKeyring final : public Keyring {
public:
    void readPassword(const QString& key, QObject* context, ReadDone done) override;
    void writePassword(const QString& key, const QString& password, QObject* context, Done done) override;
    void deletePassword(const QString& key, QObject* context, Done done) override;
};

// For windows given no keyring: it answers Unavailable at once.
Keyring& absentKeyring();

} // namespace headwise
