#include "ui/linelengths.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <limits>

namespace headwise {
namespace {

class LineLengthLifter : public QObject {
public:
    using QObject::QObject;

protected:
    // A box receives ChildAdded while it is being built (its text control
    // joins it), before any text can reach it; Polish comes before it is
    // first shown, or on its first turn of the event loop, should a later
    // Qt build boxes differently.
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type == QEvent::ChildAdded || type == QEvent::Polish)
            if (auto* box = qobject_cast<QLineEdit*>(watched); box && box->maxLength() != kNoLimit)
                box->setMaxLength(kNoLimit);
        return false;
    }

private:
    static constexpr int kNoLimit = std::numeric_limits<int>::max();
};

} // namespace

void liftLineLengthLimits(QCoreApplication& app) {
    app.installEventFilter(new LineLengthLifter(&app));
}

} // namespace headwise
