#pragma once

#include <QMessageBox>

class QString;
class QWidget;

// The boxes of the split tools, titled "温馨提示", opened without blocking and
// deleted when closed.
namespace FJMessageBox {

// A text longer or wider than the screen holds shows the lines that fit, each
// cut in its middle where too wide; the whole text then goes into the box's
// details, which scroll: no box grows past the screen.
QMessageBox *open(QWidget *parent, QMessageBox::Icon icon, const QString &text);

} // namespace FJMessageBox
