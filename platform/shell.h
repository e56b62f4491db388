#pragma once

#include <QUrl>

namespace headwise {

// The desktop's "open" verb for a local file or a web address.
class Shell {
public:
    virtual ~Shell() = default;
    virtual bool open(const QUrl& target) = 0;
};

class DesktopShell final : public Shell {
public:
    bool open(const QUrl& target) override;
};

} // namespace headwise
