#include "split/ui/FJMessageBox.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QWidget>

QMessageBox *FJMessageBox::open(QWidget *parent, QMessageBox::Icon icon, const QString &text)
{
    auto *box = new QMessageBox(icon, QStringLiteral("温馨提示"), QString(), QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("fjWarning"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
    const QFontMetrics metrics(box->font());
    // A third of the screen for the text: the frame, the buttons and the
    // opened details take the rest.
    const int fitting = qMax(2, area.height() / 3 / qMax(1, metrics.lineSpacing()));
    QStringList lines = text.split(QLatin1Char('\n'));
    bool cut = lines.size() > fitting;
    if (cut)
        lines = lines.mid(0, fitting - 1) << QStringLiteral("……");
    for (QString &line : lines) {
        const QString shown = metrics.elidedText(line, Qt::ElideMiddle, area.width() / 2);
        cut = cut || shown != line;
        line = shown;
    }
    box->setText(lines.join(QLatin1Char('\n')));
    if (cut)
        box->setDetailedText(text);
    box->open();
    return box;
}
