#include "split/ui/FJHome.h"
#include "split/ui/FJRightPanel.h"
#include "split/ui/naming/DropZone.h"
#include "split/ui/naming/FieldButton.h"
#include "split/ui/naming/FieldItem.h"
#include "split/ui/naming/FolderNamingRule.h"
#include "split/ui/naming/SeparatorButton.h"
#include "app/core/Config.h"
#include "support/SplitStudioData.h"

#include <QAbstractAnimation>
#include <QAbstractItemView>
#include <QComboBox>
#include <QJsonArray>
#include <QLineEdit>
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
    void storedRuleShownWholeAtFirstShow_data();
    void storedRuleShownWholeAtFirstShow();
    void comboListItems_data();
    void comboListItems();
    void placeholderColour();

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
    // The placing animation is over once the zone holds none.
    QTRY_VERIFY_WITH_TIMEOUT(zone->findChildren<QAbstractAnimation *>().isEmpty(), 10000);
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

void tst_FJHomeLooks::storedRuleShownWholeAtFirstShow_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::newRow("1366x768") << QSize(1366, 768);
    QTest::newRow("1600x1000") << QSize(1600, 1000);
}

// The branch's rule is loaded before the window has its size; the first
// arrangement at the real width must win.
void tst_FJHomeLooks::storedRuleShownWholeAtFirstShow()
{
    QFETCH(QSize, screen);
    Config::k_shops[0].goodsfoldernamerule = QStringLiteral(
        R"([{"name":"订单号","key":"orderpayforkey","separator":"-"},{"name":"客人姓名","key":"customername","separator":"_"},)"
        R"({"name":"产品名称","key":"name","separator":"_"},{"name":"数量","key":"goodnum","separator":"_"},)"
        R"({"name":"取件时间","key":"pickuptime"}])");
    m_window = new FJHome();
    m_window->splitType = DesignSplit;
    m_window->setInitData({{QStringLiteral("windowtitle"), QStringLiteral("设计分件")}});
    m_window->resize(screen);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    DropZone *zone = m_window->rightPanel->folderNamingRule->dropZone();
    QCOMPARE(zone->count(), 5);
    auto moving = [zone] {
        for (QAbstractAnimation *animation : zone->findChildren<QAbstractAnimation *>())
            if (animation->state() == QAbstractAnimation::Running)
                return true;
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(!moving(), 5000);
    const QRect visible = zone->visibleRegion().boundingRect();
    QRect previous;
    for (int i = 0; i < zone->count(); ++i) {
        const QRect chip = zone->itemAt(i).fieldButton->geometry();
        QVERIFY2(zone->itemAt(i).fieldButton->isVisible() && visible.contains(chip),
                 qPrintable(QStringLiteral("chip %1 at %2,%3 outside %4x%5")
                                .arg(i).arg(chip.x()).arg(chip.y()).arg(visible.width()).arg(visible.height())));
        if (i > 0) {
            // Right of the one before on its line, or at the start of a later line.
            const bool sameLine = chip.top() == previous.top() && chip.left() > previous.right();
            const bool nextLine = chip.top() > previous.bottom() && chip.left() == 12;
            QVERIFY2(sameLine || nextLine, qPrintable(QString::number(i)));
        }
        if (i + 1 < zone->count())
            QVERIFY(visible.contains(zone->itemAt(i).separatorButton->geometry()));
        previous = chip;
    }
}

void tst_FJHomeLooks::comboListItems_data()
{
    QTest::addColumn<QString>("combo");
    QTest::newRow("branches") << QStringLiteral("shopComboBox");
    QTest::newRow("search types") << QStringLiteral("searchTypeComboBox");
}

void tst_FJHomeLooks::comboListItems()
{
    QFETCH(QString, combo);
    openWindow(DesignSplit);
    auto *box = m_window->rightPanel->findChild<QComboBox *>(combo);
    QVERIFY(box && box->count() >= 2);
    box->setCurrentIndex(1);
    box->showPopup();
    QAbstractItemView *list = box->view();
    QTRY_VERIFY(list->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(list->window()));
    const QRect selected = list->visualRect(box->model()->index(1, 0));
    const QRect other = list->visualRect(box->model()->index(0, 0));
    QVERIFY(selected.height() >= 27);
    const QImage image = list->viewport()->grab().toImage();
    // The chosen item: blue edge to edge (the focus frame only tints it), its text white.
    QCOMPARE(image.pixelColor(selected.left() + 2, selected.center().y()), QColor(QStringLiteral("#007aff")));
    QCOMPARE(image.pixelColor(selected.right() - 2, selected.top() + 2), QColor(QStringLiteral("#007aff")));
    int blue = 0;
    int light = 0;
    for (int y = selected.top(); y <= selected.bottom(); ++y)
        for (int x = selected.left(); x <= selected.right(); ++x) {
            const QRgb c = image.pixel(x, y);
            blue += qRed(c) < 40 && qBlue(c) == 255;
            light += qRed(c) > 200 && qGreen(c) > 200;
        }
    const int area = selected.width() * selected.height();
    QVERIFY2(blue > area * 3 / 4, qPrintable(QStringLiteral("%1 of %2").arg(blue).arg(area)));
    QVERIFY2(light > 10, "no white text on the chosen item");
    QCOMPARE(image.pixelColor(other.left() + 2, other.center().y()), QColor(Qt::white));
    box->hidePopup();
}

void tst_FJHomeLooks::placeholderColour()
{
    openWindow(DesignSplit);
    QLineEdit *edit = m_window->rightPanel->searchLineEdit;
    QVERIFY(edit->text().isEmpty());
    QCOMPARE(edit->placeholderText(), QStringLiteral("搜索订单号、姓名..."));
    const QImage image = edit->grab().toImage();
    // The darkest pixel of the placeholder is its colour; the frame is left out.
    QColor darkest(Qt::white);
    for (int y = 3; y < image.height() - 3; ++y)
        for (int x = 3; x < image.width() - 3; ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qGray(c.rgb()) < qGray(darkest.rgb()))
                darkest = c;
        }
    QCOMPARE(darkest, QColor(QStringLiteral("#8e8e93")));
}

QTEST_MAIN(tst_FJHomeLooks)
#include "tst_fjhomelooks.moc"
