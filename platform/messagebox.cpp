#include "platform/messagebox.h"

#include <QMessageBox>

namespace headwise {

void QtMessageBoxes::show(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Information ? QMessageBox::Information : QMessageBox::NoIcon, title,
                    text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace headwise
