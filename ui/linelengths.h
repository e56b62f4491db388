#pragma once

class QCoreApplication;

namespace headwise {

// Qt cuts a single-line box's text at 32767 characters without a word.
// Installed once on the application, this lifts that cut on every QLineEdit
// of every window (editable combo boxes included) as each box is built.
void liftLineLengthLimits(QCoreApplication& app);

} // namespace headwise
