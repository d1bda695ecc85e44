#include "toolkit/ui/message.h"

namespace dravonix {

void showMessageBox(QWidget* parent, const ShownMessage& message)
{
    QMessageBox box(message.icon, message.caption, message.text, QMessageBox::Ok, parent);
    if (!message.details.isEmpty())
        box.setDetailedText(message.details);
    box.exec();
}

bool askYesNo(QWidget* parent, const ShownMessage& question)
{
    QMessageBox box(question.icon, question.caption, question.text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace dravonix
