#include "split/ui/FJHome.h"
#include "split/ui/FJRightPanel.h"
#include "split/ui/naming/DropZone.h"
#include "split/ui/naming/FieldButton.h"
#include "split/ui/naming/FieldItem.h"
#include "split/ui/naming/FolderNamingRule.h"
#include "support/SplitStudioData.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QtTest>

namespace Data = SplitStudioData;

// What the split window draws, judged by its pixels inside the whole window.
class tst_FJHomeLooks : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void chipsDrawTheirFillInTheWindow();

private:
    void openWindow(DesignFileSplitTypes mode);
    // The colour at a point of a widget as the window draws it.
    QColor drawnAt(QWidget *widget, const QPoint &at) const
    {
        const QPoint inWindow = widget->mapTo(m_window, at);
        return m_window->grab(QRect(inWindow, QSize(1, 1))).toImage().pixelColor(0, 0);
    }

    FJHome *m_window = nullptr;
};

void tst_FJHomeLooks::init()
{
    Data::installShops();
}

void tst_FJHomeLooks::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

void tst_FJHomeLooks::openWindow(DesignFileSplitTypes mode)
{
    m_window = new FJHome();
    m_window->splitType = mode;
    m_window->setInitData({{QStringLiteral("windowtitle"), QStringLiteral("工具")}});
    m_window->resize(1200, 800);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void tst_FJHomeLooks::chipsDrawTheirFillInTheWindow()
{
    openWindow(DesignSplit);
    FolderNamingRule *editor = m_window->rightPanel->folderNamingRule;
    QVERIFY(editor);
    editor->refreshData(QJsonArray{
        QJsonObject{{QStringLiteral("name"), QStringLiteral("订单号")}, {QStringLiteral("key"), QStringLiteral("orderpayforkey")},
                    {QStringLiteral("separator"), QStringLiteral("_")}},
        QJsonObject{{QStringLiteral("name"), QStringLiteral("产品名称")}, {QStringLiteral("key"), QStringLiteral("goods_name")}}});
    DropZone *zone = editor->dropZone();
    QTRY_COMPARE(zone->count(), 2);
    FieldButton *chip = zone->itemAt(1).fieldButton;
    QTRY_VERIFY(chip->isVisible() && chip->pos().x() > 12); // placed after the first entry
    QTest::qWait(300); // the placing animation
    // Beside the name, inside the chip's padding.
    const QPoint inside(3, chip->height() / 2);
    QCOMPARE(drawnAt(chip, inside), QColor(QStringLiteral("#e8f4fd")));
    // The zone around it keeps its own grey, so the chip reads as a chip.
    QVERIFY(drawnAt(zone, chip->geometry().topLeft() - QPoint(3, 0)) != QColor(QStringLiteral("#e8f4fd")));
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(chip, &enter);
    QCOMPARE(drawnAt(chip, inside), QColor(QStringLiteral("#d0e8fc")));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(chip, &leave);
    QCOMPARE(drawnAt(chip, inside), QColor(QStringLiteral("#e8f4fd")));
}

QTEST_MAIN(tst_FJHomeLooks)
#include "tst_fjhomelooks.moc"
