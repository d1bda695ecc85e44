#pragma once
// How a window tells the user something or asks a yes-or-no question: a
// message box by default; tests put a recorder in its place.

#include <QMessageBox>
#include <QString>

#include <functional>

namespace dravonix {

struct ShownMessage {
    QMessageBox::Icon icon = QMessageBox::Warning;
    QString caption;
    QString text;
    QString details = {}; // behind "Show Details...", for what only helps in a report
};
using MessagePresenter = std::function<void(QWidget* parent, const ShownMessage& message)>;
// True for yes.
using QuestionAsker = std::function<bool(QWidget* parent, const ShownMessage& question)>;

// A modal message box with an OK button.
void showMessageBox(QWidget* parent, const ShownMessage& message);
// A modal message box with Yes and No, No being the default.
bool askYesNo(QWidget* parent, const ShownMessage& question);

} // namespace dravonix
