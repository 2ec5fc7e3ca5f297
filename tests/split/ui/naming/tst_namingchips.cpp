#include "split/ui/naming/DraggableFieldSource.h"
#include "split/ui/naming/DropZone.h"
#include "split/ui/naming/FieldButton.h"
#include "split/ui/naming/SeparatorButton.h"

#include <QDrag>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QtTest>

namespace {

// Records the drags a field source would start instead of running them.
class RecordingSource : public DraggableFieldSource
{
public:
    using DraggableFieldSource::DraggableFieldSource;
    QStringList texts;
    QList<QByteArray> fieldData;
    QList<QPoint> hotSpots;
    QList<QSize> pixmapSizes;

protected:
    Qt::DropAction execDrag(QDrag *drag) override
    {
        texts << drag->mimeData()->text();
        fieldData << drag->mimeData()->data(QStringLiteral("application/x-field-item"));
        hotSpots << drag->hotSpot();
        pixmapSizes << drag->pixmap().size();
        return Qt::CopyAction;
    }
};

// Answers the separator menu with a chosen separator, or closes it without one.
class AnsweringSeparator : public SeparatorButton
{
public:
    using SeparatorButton::SeparatorButton;
    QString answer;
    bool answerNothing = false;
    int menusShown = 0;
    QStringList lastTexts;
    QStringList lastChecked;

protected:
    QAction *execMenu(QMenu *menu, const QPoint &) override
    {
        ++menusShown;
        lastTexts.clear();
        lastChecked.clear();
        QAction *chosen = nullptr;
        for (QAction *action : menu->actions()) {
            lastTexts << action->text();
            if (action->isChecked())
                lastChecked << action->data().toString();
            if (!answerNothing && action->data().toString() == answer)
                chosen = action;
        }
        return chosen;
    }
};

void moveWithLeftHeld(QWidget *widget, const QPoint &pos)
{
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void moveWithButtons(QWidget *widget, const QPoint &pos, Qt::MouseButtons buttons)
{
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

} // namespace

class TestNamingChips : public QObject
{
    Q_OBJECT

private slots:
    void sourceDrag();
    void sourceLooksNormalAfterADrag();
    void placedChipStartsReorderOncePerPress();
    void placedChipLooks_data();
    void placedChipLooks();
    void separatorMenuOffersSeparators();
    void separatorChoice_data();
    void separatorChoice();
};

void TestNamingChips::sourceDrag()
{
    RecordingSource source(QStringLiteral("客人姓名"), QStringLiteral("customername"));
    source.resize(80, 32);
    const int distance = QApplication::startDragDistance();
    // Too short a move, or one without the left button, is a plain press.
    QSignalSpy clicked(&source, &QPushButton::clicked);
    QTest::mousePress(&source, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    moveWithLeftHeld(&source, QPoint(10 + distance - 1, 10));
    QTest::mouseRelease(&source, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QCOMPARE(clicked.count(), 1);
    QTest::mousePress(&source, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    moveWithButtons(&source, QPoint(60, 20), Qt::RightButton);
    QVERIFY(source.texts.isEmpty());
    moveWithLeftHeld(&source, QPoint(10 + distance, 10));
    QCOMPARE(source.texts, QStringList{QStringLiteral("客人姓名|customername")});
    QCOMPARE(source.fieldData, QList<QByteArray>{QStringLiteral("客人姓名|customername").toUtf8()});
    QCOMPARE(source.hotSpots.first(), QPoint(10 + distance, 10));
    QCOMPARE(source.pixmapSizes.first(), source.size());
}

void TestNamingChips::sourceLooksNormalAfterADrag()
{
    QWidget window;
    auto *source = new RecordingSource(QStringLiteral("订单号"), QStringLiteral("orderpayforkey"), &window);
    source->setGeometry(10, 10, 100, 32);
    window.resize(120, 52);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint inside(6, 16);
    const QColor normal = source->grab().toImage().pixelColor(inside);
    QTest::mousePress(source, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    moveWithLeftHeld(source, QPoint(40, 10));
    QCOMPARE(source->texts.size(), 1);
    QVERIFY(!source->isDown());
    QCOMPARE(source->grab().toImage().pixelColor(inside), normal);
}

void TestNamingChips::placedChipStartsReorderOncePerPress()
{
    FieldButton chip(QStringLiteral("产品名称"), QStringLiteral("name"));
    QSignalSpy started(&chip, &FieldButton::dragStarted);
    const int distance = QApplication::startDragDistance();

    QTest::mousePress(&chip, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    moveWithButtons(&chip, QPoint(50, 5), Qt::RightButton);
    QTest::mousePress(&chip, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    moveWithLeftHeld(&chip, QPoint(5 + distance - 1, 5));
    QCOMPARE(started.count(), 0);
    moveWithLeftHeld(&chip, QPoint(5 + distance, 5));
    moveWithLeftHeld(&chip, QPoint(5 + 3 * distance, 5));
    QCOMPARE(started.count(), 1);
    QCOMPARE(started.first().first().value<FieldButton *>(), &chip);

    QTest::mouseRelease(&chip, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    moveWithLeftHeld(&chip, QPoint(5 + 3 * distance, 5));
    QCOMPARE(started.count(), 1); // released: no pending press
    chip.setDragging(true);
    QVERIFY(chip.isHidden());
    chip.setDragging(false);
    QVERIFY(!chip.isHidden());
}

void TestNamingChips::placedChipLooks_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain name") << QStringLiteral("数量");
    QTest::newRow("markup stays text") << QStringLiteral("<b>数量</b>");
}

void TestNamingChips::placedChipLooks()
{
    QFETCH(QString, name);
    DropZone zone;
    zone.resize(400, 80);
    zone.addFieldItem(name, QStringLiteral("goodnum"));
    zone.show();
    QVERIFY(QTest::qWaitForWindowExposed(&zone));
    // The placing animation is over once the zone holds none.
    QTRY_VERIFY_WITH_TIMEOUT(zone.findChildren<QAbstractAnimation *>().isEmpty(), 10000);
    FieldButton *chip = zone.itemAt(0).fieldButton;
    auto *label = chip->findChild<QLabel *>(QStringLiteral("FieldButton_NameLabel"));
    auto *remove = chip->findChild<QPushButton *>(QStringLiteral("FieldButton_DeleteButton"));
    // The name is shown as written, tags and all.
    QCOMPARE(label->text(), name);
    QVERIFY(label->sizeHint().width() >= label->fontMetrics().horizontalAdvance(name));
    // The chip paints its own background over the zone's.
    const QPoint edge = chip->geometry().topLeft() + QPoint(3, chip->height() / 2);
    const QColor chipColour = zone.grab().toImage().pixelColor(edge);
    QCOMPARE(chipColour, QColor(QStringLiteral("#e8f4fd")));
    // Hovering shows "×" beside the name, never over it.
    const int nameWidth = label->width();
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(chip, &enter);
    QVERIFY(remove->isVisible());
    QCOMPARE(label->width(), nameWidth);
    QVERIFY(!remove->geometry().intersects(label->geometry()));
    QVERIFY(zone.grab().toImage().pixelColor(edge) != chipColour);
    QSignalSpy deleted(chip, &FieldButton::deleteClicked);
    QTest::mouseClick(remove, Qt::LeftButton);
    QCOMPARE(deleted.count(), 1);
}

void TestNamingChips::separatorMenuOffersSeparators()
{
    AnsweringSeparator chooser;
    QCOMPARE(chooser.separator(), QStringLiteral("_"));
    chooser.answerNothing = true;
    QSignalSpy clicked(&chooser, &QPushButton::clicked);
    QSignalSpy changed(&chooser, &SeparatorButton::separatorChanged);
    QTest::mouseClick(&chooser, Qt::RightButton);
    QCOMPARE(chooser.menusShown, 0);
    QTest::mouseClick(&chooser, Qt::LeftButton);
    QCOMPARE(chooser.menusShown, 1);
    QCOMPARE(chooser.lastTexts, (QStringList{"空格 (␣)", ",", ".", "《", "》", "_", "-", "=", "#"}));
    QCOMPARE(chooser.lastChecked, QStringList{"_"});
    QCOMPARE(clicked.count(), 0); // a separator chooser reports choices, not clicks
    QCOMPARE(changed.count(), 0); // closed without a choice
    chooser.setSeparator(QString());
    QTest::mouseClick(&chooser, Qt::LeftButton);
    QVERIFY(chooser.lastChecked.isEmpty());
}

void TestNamingChips::separatorChoice_data()
{
    QTest::addColumn<QString>("initial");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QString>("shown");
    QTest::newRow("dash") << "_" << "-" << "-";
    QTest::newRow("space shows the visible blank") << "_" << " " << "␣";
    QTest::newRow("same as current still announces") << "_" << "_" << "_";
    QTest::newRow("book title mark") << "-" << "《" << "《";
}

void TestNamingChips::separatorChoice()
{
    QFETCH(QString, initial);
    QFETCH(QString, choice);
    QFETCH(QString, shown);
    AnsweringSeparator chooser;
    chooser.setSeparator(initial);
    QSignalSpy changed(&chooser, &SeparatorButton::separatorChanged);
    chooser.answer = choice;
    QTest::mouseClick(&chooser, Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.first().first().toString(), choice);
    QCOMPARE(chooser.text(), shown);
    // The next menu checks the new separator.
    chooser.answerNothing = true;
    QTest::mouseClick(&chooser, Qt::LeftButton);
    QCOMPARE(chooser.lastChecked, QStringList{choice});
}

QTEST_MAIN(TestNamingChips)
#include "tst_namingchips.moc"
