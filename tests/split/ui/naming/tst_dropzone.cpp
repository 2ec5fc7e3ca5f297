#include "split/ui/naming/DraggableFieldSource.h"
#include "split/ui/naming/DropZone.h"
#include "split/ui/naming/FieldButton.h"
#include "split/ui/naming/FolderNamingRule.h"
#include "split/ui/naming/SeparatorButton.h"

#include <QDrag>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMimeData>
#include <QParallelAnimationGroup>
#include <QPushButton>
#include <QtTest>

#include <functional>

namespace {

// Plays the part of the platform while a reorder drag runs.
class ScriptedZone : public DropZone
{
public:
    using DropZone::DropZone;
    std::function<void(QDrag *)> duringDrag;

protected:
    Qt::DropAction execDrag(QDrag *drag) override
    {
        if (duringDrag)
            duringDrag(drag);
        return Qt::MoveAction;
    }
};

bool dragEnter(QWidget *zone, const QPoint &pos, const QMimeData *mime)
{
    QDragEnterEvent event(pos, Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(zone, &event);
    return event.isAccepted();
}

void dragMove(QWidget *zone, const QPoint &pos, const QMimeData *mime)
{
    QDragMoveEvent event(pos, Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(zone, &event);
}

bool drop(QWidget *zone, const QPoint &pos, const QMimeData *mime)
{
    QDropEvent event(pos, Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(zone, &event);
    return event.isAccepted();
}

// A whole drag of a field over the zone, from entering to the drop.
bool dropField(QWidget *zone, const QPoint &pos, const QString &name, const QString &key)
{
    QScopedPointer<QMimeData> mime(DraggableFieldSource::createMimeData(name, key));
    dragEnter(zone, pos, mime.data());
    dragMove(zone, pos, mime.data());
    return drop(zone, pos, mime.data());
}

void settle(DropZone *zone)
{
    QTRY_VERIFY_WITH_TIMEOUT(zone->findChildren<QParallelAnimationGroup *>().isEmpty(), 5000);
}

QStringList keys(const DropZone *zone)
{
    QStringList result;
    for (int i = 0; i < zone->count(); ++i)
        result << zone->itemAt(i).fieldButton->fieldKey();
    return result;
}

// The middle of an entry's span: its chip, plus its chooser when shown.
int spanMiddle(const DropZone *zone, int index)
{
    const FieldItem &item = zone->itemAt(index);
    QRect span = item.fieldButton->geometry();
    if (!item.separatorButton->isHidden())
        span.setRight(item.separatorButton->geometry().right());
    return span.left() + span.width() / 2;
}

QJsonArray json(const char *text)
{
    return QJsonDocument::fromJson(QByteArray(text)).array();
}
} // namespace

class TestDropZone : public QObject
{
    Q_OBJECT

private slots:
    void dropOnEmptyZoneAddsOneEntry();
    void dropPositionChoosesPlace_data();
    void dropPositionChoosesPlace();
    void oddDrops_data();
    void oddDrops();
    void dragOverShowsMarker();
    void reorderMovesEntry_data();
    void reorderMovesEntry();
    void deletingLastChipHidesPreviousChooser();
    void separatorChoiceChangesRule();
    void refreshDataLoadsRule();
    void refreshDataReadsOddElements();
};

void TestDropZone::dropOnEmptyZoneAddsOneEntry()
{
    FolderNamingRule editor;
    editor.resize(600, 300);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    DropZone *zone = editor.dropZone();
    const QImage emptyLook = zone->grab().toImage();
    QSignalSpy changed(&editor, &FolderNamingRule::ruleChangedJson);

    QVERIFY(dropField(zone, QPoint(40, 30), QStringLiteral("订单号"), QStringLiteral("orderpayforkey")));
    QCOMPARE(zone->count(), 1);
    QVERIFY(zone->itemAt(0).separatorButton->isHidden());
    QCOMPARE(changed.count(), 1);
    const QJsonArray expected = json(R"([{"name":"订单号","key":"orderpayforkey"}])");
    QCOMPARE(changed.first().first().toJsonArray(), expected);
    QCOMPARE(editor.getNamingRuleJson(), expected);
    QVERIFY(!zone->isDragOver());
    QCOMPARE(zone->dropIndex(), -1);
    QVERIFY(zone->dropIndicator()->isHidden());

    // A second drop shows the first entry's chooser.
    settle(zone);
    QVERIFY(dropField(zone, QPoint(500, 30), QStringLiteral("产品ID"), QStringLiteral("id")));
    QVERIFY(!zone->itemAt(0).separatorButton->isHidden());
    QVERIFY(zone->itemAt(1).separatorButton->isHidden());
    QCOMPARE(editor.getNamingRule(), QStringLiteral("{orderpayforkey}_{id}"));
    QCOMPARE(editor.getNamingRuleList(), (QStringList{"orderpayforkey", "_", "id"}));
    // The hint is gone: clear the zone again and the empty look returns.
    settle(zone);
    QVERIFY(zone->grab().toImage() != emptyLook);
    zone->clear();
    QTRY_VERIFY(zone->container()->findChildren<FieldButton *>().isEmpty());
    QCOMPARE(zone->grab().toImage(), emptyLook);
}

void TestDropZone::dropPositionChoosesPlace_data()
{
    QTest::addColumn<int>("target");  // entry whose span middle the drop is measured from
    QTest::addColumn<int>("offset");  // from that middle
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("left of second middle") << 1 << -1 << QStringList{"a", "new", "b", "c"};
    QTest::newRow("at second middle") << 1 << 0 << QStringList{"a", "b", "new", "c"};
    QTest::newRow("right of second middle") << 1 << 1 << QStringList{"a", "b", "new", "c"};
    QTest::newRow("left of first middle") << 0 << -1 << QStringList{"new", "a", "b", "c"};
    QTest::newRow("right of last middle") << 2 << 1 << QStringList{"a", "b", "c", "new"};
}

void TestDropZone::dropPositionChoosesPlace()
{
    QFETCH(int, target);
    QFETCH(int, offset);
    QFETCH(QStringList, expected);
    DropZone zone;
    zone.resize(700, 80);
    zone.show();
    zone.addFieldItem(QStringLiteral("甲"), QStringLiteral("a"));
    zone.addFieldItem(QStringLiteral("乙乙乙乙"), QStringLiteral("b"));
    zone.addFieldItem(QStringLiteral("丙"), QStringLiteral("c"));
    settle(&zone);

    const int y = zone.itemAt(target).fieldButton->geometry().center().y();
    QVERIFY(dropField(&zone, QPoint(spanMiddle(&zone, target) + offset, y), QStringLiteral("新"),
                      QStringLiteral("new")));
    QCOMPARE(keys(&zone), expected);
}

void TestDropZone::oddDrops_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QByteArray>("rule");
    QTest::newRow("no bar adds nothing") << "application/x-field-item" << QByteArray("产品ID") << true << QByteArray("[]");
    QTest::newRow("bar alone gives empty parts") << "application/x-field-item" << QByteArray("|") << true
                                                << QByteArray(R"([{"name":"","key":""}])");
    QTest::newRow("plain text is refused") << "text/plain" << QByteArray("产品ID|id") << false << QByteArray("[]");
}

void TestDropZone::oddDrops()
{
    QFETCH(QString, format);
    QFETCH(QByteArray, data);
    QFETCH(bool, accepted);
    QFETCH(QByteArray, rule);
    DropZone zone;
    zone.resize(600, 80);
    zone.show();
    QMimeData mime;
    mime.setData(format, data);
    QCOMPARE(dragEnter(&zone, QPoint(40, 30), &mime), accepted);
    QCOMPARE(drop(&zone, QPoint(40, 30), &mime), accepted);
    QVERIFY(!zone.isDragOver());
    QCOMPARE(zone.getResultJsons(), QJsonDocument::fromJson(rule).array());
}

void TestDropZone::dragOverShowsMarker()
{
    DropZone zone;
    zone.resize(700, 80);
    zone.show();
    zone.addFieldItem(QStringLiteral("甲"), QStringLiteral("a"));
    zone.addFieldItem(QStringLiteral("乙"), QStringLiteral("b"));
    settle(&zone);
    const QPoint secondChip = zone.itemAt(1).fieldButton->pos();
    QScopedPointer<QMimeData> mime(DraggableFieldSource::createMimeData(QStringLiteral("新"), QStringLiteral("n")));

    QVERIFY(dragEnter(&zone, QPoint(600, 20), mime.data()));
    QVERIFY(zone.isDragOver());
    QCOMPARE(zone.dropIndex(), -1);
    dragMove(&zone, QPoint(spanMiddle(&zone, 1) - 1, 20), mime.data());
    QCOMPARE(zone.dropIndex(), 1);
    QVERIFY(!zone.dropIndicator()->isHidden());
    // The marker stands where the second chip stood, and the chip makes room for it.
    QTRY_COMPARE(zone.dropIndicator()->pos(), secondChip);
    QTRY_COMPARE(zone.itemAt(1).fieldButton->pos(), secondChip + QPoint(10, 0));

    QDragLeaveEvent leave;
    QApplication::sendEvent(&zone, &leave);
    QVERIFY(!zone.isDragOver());
    QCOMPARE(zone.dropIndex(), -1);
    QVERIFY(zone.dropIndicator()->isHidden());
    QTRY_COMPARE(zone.itemAt(1).fieldButton->pos(), secondChip);
    QCOMPARE(zone.count(), 2);
}

void TestDropZone::reorderMovesEntry_data()
{
    QTest::addColumn<int>("dragged");
    QTest::addColumn<int>("anchor");    // entry the pointer is aimed at while dragging; -1: far right
    QTest::addColumn<bool>("rightEdge"); // its span's last pixel, else its first
    QTest::addColumn<int>("expectedDropIndex");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("changes");
    QTest::newRow("first to the end") << 0 << -1 << false << 3 << QStringList{"b", "c", "a"} << 1;
    QTest::newRow("last to the front") << 2 << 0 << false << 0 << QStringList{"c", "a", "b"} << 1;
    QTest::newRow("first before third") << 0 << 2 << false << 2 << QStringList{"b", "a", "c"} << 1;
    QTest::newRow("middle after the last") << 1 << 2 << true << 3 << QStringList{"a", "c", "b"} << 1;
    QTest::newRow("over its own place") << 1 << 0 << true << -1 << QStringList{"a", "b", "c"} << 0;
    QTest::newRow("over the gap after it") << 1 << 2 << false << -1 << QStringList{"a", "b", "c"} << 0;
}

void TestDropZone::reorderMovesEntry()
{
    QFETCH(int, dragged);
    QFETCH(int, anchor);
    QFETCH(bool, rightEdge);
    QFETCH(int, expectedDropIndex);
    QFETCH(QStringList, expected);
    QFETCH(int, changes);

    ScriptedZone zone;
    zone.resize(700, 80);
    zone.show();
    zone.addFieldItem(QStringLiteral("甲"), QStringLiteral("a"));
    zone.addFieldItem(QStringLiteral("乙"), QStringLiteral("b"));
    zone.addFieldItem(QStringLiteral("丙"), QStringLiteral("c"));
    settle(&zone);
    const int y = zone.itemAt(0).fieldButton->geometry().center().y();
    FieldButton *chip = zone.itemAt(dragged).fieldButton;
    QSignalSpy changed(&zone, &DropZone::ruleChanged);

    bool sawDragState = false;
    int seenDropIndex = -2;
    zone.duringDrag = [&](QDrag *drag) {
        sawDragState = zone.draggedButton() == chip && chip->isHidden();
        const QMimeData *mime = drag->mimeData();
        QCOMPARE(mime->data(QStringLiteral("application/x-field-reorder")), QStringLiteral("甲乙丙").mid(dragged, 1).toUtf8());
        settle(&zone);
        // Aimed at what is shown while the others have closed the gap.
        int x = 690;
        if (anchor >= 0) {
            const FieldItem &item = zone.itemAt(anchor);
            x = rightEdge ? (item.separatorButton->isHidden() ? item.fieldButton->geometry().right()
                                                             : item.separatorButton->geometry().right())
                          : item.fieldButton->geometry().left() + 1;
        }
        dragEnter(&zone, QPoint(x, y), mime);
        dragMove(&zone, QPoint(x, y), mime);
        seenDropIndex = zone.dropIndex();
        drop(&zone, QPoint(x, y), mime);
    };
    emit chip->dragStarted(chip);

    QVERIFY(sawDragState);
    QCOMPARE(seenDropIndex, expectedDropIndex);
    QCOMPARE(keys(&zone), expected);
    QCOMPARE(changed.count(), changes);
    QVERIFY(!chip->isHidden());
    QVERIFY(!zone.draggedButton());
    QVERIFY(zone.dropIndicator()->isHidden());
    QCOMPARE(zone.getResult().size(), 5);
}

void TestDropZone::deletingLastChipHidesPreviousChooser()
{
    FolderNamingRule editor;
    editor.resize(600, 300);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.refreshData(json(R"([{"name":"甲","key":"a","separator":"-"},{"name":"乙","key":"b","separator":"#"},
                                {"name":"丙","key":"c"}])"));
    DropZone *zone = editor.dropZone();
    settle(zone);
    QSignalSpy changed(&editor, &FolderNamingRule::ruleChangedJson);
    QPointer<FieldButton> last = zone->itemAt(2).fieldButton;

    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(last, &enter);
    auto *remove = last->findChild<QPushButton *>(QStringLiteral("FieldButton_DeleteButton"));
    QTest::mouseClick(remove, Qt::LeftButton);

    QCOMPARE(zone->count(), 2);
    QCOMPARE(changed.count(), 1);
    QVERIFY(zone->itemAt(1).separatorButton->isHidden());
    QCOMPARE(zone->itemAt(1).separator, QStringLiteral("#"));
    QCOMPARE(zone->itemAt(1).separatorButton->text(), QStringLiteral("#"));
    const QJsonArray expected = json(R"([{"name":"甲","key":"a","separator":"-"},{"name":"乙","key":"b"}])");
    QCOMPARE(changed.first().first().toJsonArray(), expected);
    QCOMPARE(editor.getNamingRule(), QStringLiteral("{a}-{b}"));
    QTRY_VERIFY(!last); // deleted by the event loop, not at once

    zone->removeFieldItem(5);
    zone->removeFieldItem(-1);
    QCOMPARE(zone->count(), 2);
    QCOMPARE(changed.count(), 1);
}

void TestDropZone::separatorChoiceChangesRule()
{
    FolderNamingRule editor;
    editor.refreshData(json(R"([{"name":"甲","key":"a"},{"name":"乙","key":"b"}])"));
    QSignalSpy changed(&editor, &FolderNamingRule::ruleChangedJson);
    editor.dropZone()->itemAt(0).separatorButton->setSeparator(QStringLiteral(" "));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(editor.getNamingRule(), QStringLiteral("{a} {b}"));
    QCOMPARE(editor.dropZone()->itemAt(0).separatorButton->text(), QStringLiteral("␣"));
}

void TestDropZone::refreshDataLoadsRule()
{
    FolderNamingRule editor;
    const QJsonArray rule = json(R"([{"name":"客人姓名","key":"customername","separator":"-"},
                                     {"name":"订单号","key":"orderpayforkey","separator":" "},
                                     {"name":"产品ID","key":"id"}])");
    QSignalSpy changed(&editor, &FolderNamingRule::ruleChangedJson);
    editor.refreshData(rule);
    QCOMPARE(changed.count(), 4);
    QVERIFY(changed.first().first().toJsonArray().isEmpty());
    QCOMPARE(changed.last().first().toJsonArray(), rule);
    DropZone *zone = editor.dropZone();
    QCOMPARE(zone->itemAt(0).separatorButton->text(), QStringLiteral("-"));
    QCOMPARE(zone->itemAt(0).separatorButton->separator(), QStringLiteral("-"));
    QCOMPARE(zone->itemAt(1).separatorButton->text(), QStringLiteral("␣"));
    QCOMPARE(editor.getNamingRule(), QStringLiteral("{customername}-{orderpayforkey} {id}"));

    // Loading again replaces, never appends.
    editor.refreshData(json(R"([{"name":"数量","key":"goodnum"}])"));
    QCOMPARE(editor.getNamingRuleList(), QStringList{"goodnum"});
    QTRY_COMPARE(zone->container()->findChildren<FieldButton *>().size(), 1);
}

void TestDropZone::refreshDataReadsOddElements()
{
    FolderNamingRule editor;
    editor.refreshData(json(R"([7,{"name":"服务次","key":"servicetimes"},{"name":"数量","key":"goodnum","separator":1}])"));
    DropZone *zone = editor.dropZone();
    QCOMPARE(zone->count(), 3);
    QVERIFY(zone->itemAt(0).fieldButton->fieldName().isEmpty());
    QVERIFY(zone->itemAt(0).fieldButton->fieldKey().isEmpty());
    QVERIFY(zone->itemAt(0).separator.isEmpty());
    // A missing separator in the middle joins the two fields with nothing.
    QCOMPARE(editor.getNamingRule(), QStringLiteral("{}{servicetimes}{goodnum}"));
    QCOMPARE(editor.getNamingRuleJson().at(1).toObject().value("separator").toString(), QString());
    QVERIFY(editor.getNamingRuleJson().at(1).toObject().contains("separator"));
}

QTEST_MAIN(TestDropZone)
#include "tst_dropzone.moc"
