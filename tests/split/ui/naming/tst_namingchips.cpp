#include "split/ui/naming/DraggableFieldSource.h"
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
    void sourceDragCarriesNameAndKey();
    void sourceShortMoveIsAPlainPress();
    void sourceDragDataHelper();
    void placedChipStartsReorderOncePerPress();
    void placedChipIgnoresRightButton();
    void placedChipShowsDeleteOnHover();
    void placedChipDraggingState();
    void separatorMenuOffersSeparators();
    void separatorChoice_data();
    void separatorChoice();
    void separatorMenuClosedWithoutChoice();
    void separatorRightPressOpensNothing();
    void unknownSeparatorHasNoCheckedEntry();
};

void TestNamingChips::sourceDragCarriesNameAndKey()
{
    RecordingSource source(QStringLiteral("客人姓名"), QStringLiteral("customername"));
    source.resize(80, 32);
    QCOMPARE(source.text(), QStringLiteral("客人姓名"));
    QTest::mousePress(&source, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    moveWithLeftHeld(&source, QPoint(10 + QApplication::startDragDistance(), 10));
    QCOMPARE(source.texts, QStringList{QStringLiteral("客人姓名|customername")});
    QCOMPARE(source.fieldData, QList<QByteArray>{QStringLiteral("客人姓名|customername").toUtf8()});
    QCOMPARE(source.hotSpots.first(), QPoint(10 + QApplication::startDragDistance(), 10));
    QCOMPARE(source.pixmapSizes.first(), source.size());
}

void TestNamingChips::sourceShortMoveIsAPlainPress()
{
    RecordingSource source(QStringLiteral("订单号"), QStringLiteral("orderpayforkey"));
    source.resize(80, 32);
    QSignalSpy clicked(&source, &QPushButton::clicked);
    QTest::mousePress(&source, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    moveWithLeftHeld(&source, QPoint(10 + QApplication::startDragDistance() - 1, 10));
    QTest::mouseRelease(&source, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QVERIFY(source.texts.isEmpty());
    QCOMPARE(clicked.count(), 1);

    // Moving without the left button held never drags.
    QTest::mousePress(&source, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    moveWithButtons(&source, QPoint(60, 20), Qt::RightButton);
    QVERIFY(source.texts.isEmpty());
}

void TestNamingChips::sourceDragDataHelper()
{
    QScopedPointer<QMimeData> mime(DraggableFieldSource::createMimeData(QStringLiteral("产品ID"), QStringLiteral("id")));
    QCOMPARE(mime->text(), QStringLiteral("产品ID|id"));
    QCOMPARE(QString::fromUtf8(mime->data(QStringLiteral("application/x-field-item"))), QStringLiteral("产品ID|id"));
}

void TestNamingChips::placedChipStartsReorderOncePerPress()
{
    FieldButton chip(QStringLiteral("产品名称"), QStringLiteral("name"));
    QSignalSpy started(&chip, &FieldButton::dragStarted);
    const int distance = QApplication::startDragDistance();

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

    QTest::mousePress(&chip, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    moveWithLeftHeld(&chip, QPoint(5, 5 + distance));
    QCOMPARE(started.count(), 2);
}

void TestNamingChips::placedChipIgnoresRightButton()
{
    FieldButton chip(QStringLiteral("产品名称"), QStringLiteral("name"));
    QSignalSpy started(&chip, &FieldButton::dragStarted);
    QTest::mousePress(&chip, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    moveWithButtons(&chip, QPoint(50, 5), Qt::RightButton);
    QCOMPARE(started.count(), 0);
}

void TestNamingChips::placedChipShowsDeleteOnHover()
{
    QWidget window;
    auto *chip = new FieldButton(QStringLiteral("数量"), QStringLiteral("goodnum"), &window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *remove = chip->findChild<QPushButton *>(QStringLiteral("FieldButton_DeleteButton"));
    QVERIFY(remove);
    QCOMPARE(chip->findChild<QLabel *>(QStringLiteral("FieldButton_NameLabel"))->text(), QStringLiteral("数量"));
    QCOMPARE(remove->text(), QStringLiteral("×"));
    QVERIFY(remove->isHidden());
    QCOMPARE(chip->palette().color(QPalette::Window), QColor(QStringLiteral("#e8f4fd")));

    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(chip, &enter);
    QVERIFY(!remove->isHidden());
    QCOMPARE(chip->palette().color(QPalette::Window), QColor(QStringLiteral("#d0e8fc")));

    QSignalSpy deleted(chip, &FieldButton::deleteClicked);
    QTest::mouseClick(remove, Qt::LeftButton);
    QCOMPARE(deleted.count(), 1);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(chip, &leave);
    QVERIFY(remove->isHidden());
    QCOMPARE(chip->palette().color(QPalette::Window), QColor(QStringLiteral("#e8f4fd")));
}

void TestNamingChips::placedChipDraggingState()
{
    QWidget window;
    auto *chip = new FieldButton(QStringLiteral("数量"), QStringLiteral("goodnum"), &window);
    window.show();
    chip->setDragging(true);
    QVERIFY(chip->isHidden());
    QCOMPARE(chip->cursor().shape(), Qt::ClosedHandCursor);
    chip->setDragging(false);
    QVERIFY(!chip->isHidden());
    QCOMPARE(chip->cursor().shape(), Qt::OpenHandCursor);
}

void TestNamingChips::separatorMenuOffersSeparators()
{
    AnsweringSeparator chooser;
    QCOMPARE(chooser.text(), QStringLiteral("_"));
    QCOMPARE(chooser.separator(), QStringLiteral("_"));
    chooser.answerNothing = true;
    QSignalSpy clicked(&chooser, &QPushButton::clicked);
    QTest::mouseClick(&chooser, Qt::LeftButton);
    QCOMPARE(chooser.menusShown, 1);
    QCOMPARE(chooser.lastTexts, (QStringList{"空格 (␣)", ",", ".", "《", "》", "_", "-", "=", "#"}));
    QCOMPARE(chooser.lastChecked, QStringList{"_"});
    QCOMPARE(clicked.count(), 0); // a separator chooser reports choices, not clicks
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
    QCOMPARE(chooser.separator(), choice);

    // The next menu checks the new separator.
    chooser.answerNothing = true;
    QTest::mouseClick(&chooser, Qt::LeftButton);
    QCOMPARE(chooser.lastChecked, QStringList{choice});
}

void TestNamingChips::separatorMenuClosedWithoutChoice()
{
    AnsweringSeparator chooser;
    chooser.setSeparator(QStringLiteral("#"));
    QSignalSpy changed(&chooser, &SeparatorButton::separatorChanged);
    chooser.answerNothing = true;
    QTest::mouseClick(&chooser, Qt::LeftButton);
    QCOMPARE(chooser.menusShown, 1);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(chooser.separator(), QStringLiteral("#"));
}

void TestNamingChips::separatorRightPressOpensNothing()
{
    AnsweringSeparator chooser;
    QTest::mouseClick(&chooser, Qt::RightButton);
    QTest::mouseClick(&chooser, Qt::MiddleButton);
    QCOMPARE(chooser.menusShown, 0);
}

void TestNamingChips::unknownSeparatorHasNoCheckedEntry()
{
    AnsweringSeparator chooser;
    QSignalSpy changed(&chooser, &SeparatorButton::separatorChanged);
    chooser.setSeparator(QString());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(chooser.text(), QString());
    chooser.answerNothing = true;
    QTest::mouseClick(&chooser, Qt::LeftButton);
    QVERIFY(chooser.lastChecked.isEmpty());
    QCOMPARE(chooser.lastTexts.size(), 9);
}

QTEST_MAIN(TestNamingChips)
#include "tst_namingchips.moc"
