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
    void editorView();
    void dropOnEmptyZoneAddsOneEntry();
    void secondDropShowsFirstChooser();
    void dropPositionChoosesPlace_data();
    void dropPositionChoosesPlace();
    void dropIndexOutsideRows();
    void duplicateKeyIsAdded();
    void dropWithoutSeparatorBarAddsNothing();
    void foreignDataIsRefused();
    void dragOverShowsMarker();
    void reorderMovesEntry_data();
    void reorderMovesEntry();
    void reorderReleasedOutsideRestoresChip();
    void deletingLastChipHidesPreviousChooser();
    void separatorChoiceChangesRule();
    void narrowZoneWrapsToNextRow();
    void refreshDataLoadsRule();
    void refreshDataReadsOddElements();
    void appendingAfterStoredLastSeparatorJoinsFields();
    void clearEmptiesRule();
};

void TestDropZone::editorView()
{
    FolderNamingRule editor;
    editor.setFieldOptions(FolderNamingRule::returnFieldOptions(QStringLiteral("产品文件夹")));
    const auto sources = editor.sourceContainer()->findChildren<DraggableFieldSource *>();
    QCOMPARE(sources.size(), 9);
    QCOMPARE(sources.first()->text(), QStringLiteral("产品ID"));
    QCOMPARE(sources.last()->fieldKey(), QStringLiteral("goodtype"));
    QCOMPARE(editor.findChild<QLabel *>(QStringLiteral("FolderNamingRule_Title"))->text(),
             QStringLiteral("产品文件夹命名规则"));
    QCOMPARE(editor.findChild<QLabel *>(QStringLiteral("FolderNamingRule_SourceHint"))->text(),
             QStringLiteral("可用字段 (拖拽添加):"));

    // New options replace the old sources.
    QList<QMap<QString, QString>> two;
    two << QMap<QString, QString>{{"name", "甲"}, {"key", "a"}} << QMap<QString, QString>{{"name", "乙"}, {"key", "b"}};
    editor.setFieldOptions(two);
    QTRY_COMPARE(editor.sourceContainer()->findChildren<DraggableFieldSource *>().size(), 2);
    QCOMPARE(editor.fieldOptions(), two);
}

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
    QVERIFY(!zone->itemAt(0).fieldButton->isHidden());
    QCOMPARE(changed.count(), 1);
    const QJsonArray expected = json(R"([{"name":"订单号","key":"orderpayforkey"}])");
    QCOMPARE(changed.first().first().toJsonArray(), expected);
    QCOMPARE(editor.getNamingRuleJson(), expected);
    QCOMPARE(editor.getNamingRule(), QStringLiteral("{orderpayforkey}"));
    QCOMPARE(editor.getNamingRuleList(), QStringList{"orderpayforkey"});
    QVERIFY(!zone->isDragOver());
    QCOMPARE(zone->dropIndex(), -1);
    QVERIFY(zone->dropIndicator()->isHidden());

    // The hint is gone: clear the zone again and the empty look returns.
    settle(zone);
    QVERIFY(zone->grab().toImage() != emptyLook);
    zone->clear();
    QTRY_VERIFY(zone->container()->findChildren<FieldButton *>().isEmpty());
    QCOMPARE(zone->grab().toImage(), emptyLook);
}

void TestDropZone::secondDropShowsFirstChooser()
{
    DropZone zone;
    zone.resize(600, 80);
    zone.show();
    QVERIFY(dropField(&zone, QPoint(40, 30), QStringLiteral("订单号"), QStringLiteral("orderpayforkey")));
    settle(&zone);
    QVERIFY(dropField(&zone, QPoint(500, 30), QStringLiteral("产品ID"), QStringLiteral("id")));
    QCOMPARE(keys(&zone), (QStringList{"orderpayforkey", "id"}));
    QVERIFY(!zone.itemAt(0).separatorButton->isHidden());
    QCOMPARE(zone.itemAt(0).separatorButton->text(), QStringLiteral("_"));
    QVERIFY(zone.itemAt(1).separatorButton->isHidden());
    QCOMPARE(zone.getResultString(), QStringLiteral("{orderpayforkey}_{id}"));
    QCOMPARE(zone.getResult(), (QStringList{"orderpayforkey", "_", "id"}));
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

void TestDropZone::dropIndexOutsideRows()
{
    DropZone zone;
    QCOMPARE(zone.getDropIndex(QPoint(50, 50)), 0);
    zone.resize(700, 80);
    zone.show();
    zone.addFieldItem(QStringLiteral("甲"), QStringLiteral("a"));
    zone.addFieldItem(QStringLiteral("乙"), QStringLiteral("b"));
    settle(&zone);
    const QRect first = zone.itemAt(0).fieldButton->geometry();
    QCOMPARE(first.topLeft(), QPoint(12, 12));
    QCOMPARE(zone.getDropIndex(QPoint(600, first.top() - 3)), 2);   // within the half gap above
    QCOMPARE(zone.getDropIndex(QPoint(600, first.top() - 4)), 0);   // above every row
    QCOMPARE(zone.getDropIndex(QPoint(1, first.bottom() + 40)), 2); // below every row
}

void TestDropZone::duplicateKeyIsAdded()
{
    DropZone zone;
    zone.resize(600, 80);
    zone.show();
    QVERIFY(dropField(&zone, QPoint(40, 30), QStringLiteral("产品ID"), QStringLiteral("id")));
    settle(&zone);
    QVERIFY(dropField(&zone, QPoint(500, 30), QStringLiteral("产品ID"), QStringLiteral("id")));
    QCOMPARE(keys(&zone), (QStringList{"id", "id"}));
    QCOMPARE(zone.getResultString(), QStringLiteral("{id}_{id}"));
}

void TestDropZone::dropWithoutSeparatorBarAddsNothing()
{
    DropZone zone;
    zone.resize(600, 80);
    zone.show();
    QSignalSpy changed(&zone, &DropZone::ruleChanged);
    QMimeData mime;
    mime.setData(QStringLiteral("application/x-field-item"), QByteArray("产品ID"));
    QVERIFY(dragEnter(&zone, QPoint(40, 30), &mime));
    QVERIFY(drop(&zone, QPoint(40, 30), &mime));
    QCOMPARE(zone.count(), 0);
    QCOMPARE(changed.count(), 0);
    QVERIFY(!zone.isDragOver());

    // Empty parts are kept: "|" alone gives a field with empty name and key.
    mime.setData(QStringLiteral("application/x-field-item"), QByteArray("|"));
    QVERIFY(dragEnter(&zone, QPoint(40, 30), &mime));
    QVERIFY(drop(&zone, QPoint(40, 30), &mime));
    QCOMPARE(zone.count(), 1);
    QCOMPARE(zone.getResultJsons(), json(R"([{"name":"","key":""}])"));
}

void TestDropZone::foreignDataIsRefused()
{
    DropZone zone;
    zone.resize(600, 80);
    zone.show();
    QMimeData mime;
    mime.setText(QStringLiteral("产品ID|id")); // plain text alone is not a field
    QVERIFY(!dragEnter(&zone, QPoint(40, 30), &mime));
    QVERIFY(!zone.isDragOver());
    QVERIFY(!drop(&zone, QPoint(40, 30), &mime));
    QCOMPARE(zone.count(), 0);
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

void TestDropZone::reorderReleasedOutsideRestoresChip()
{
    ScriptedZone zone;
    zone.resize(700, 80);
    zone.show();
    zone.addFieldItem(QStringLiteral("甲"), QStringLiteral("a"));
    zone.addFieldItem(QStringLiteral("乙"), QStringLiteral("b"));
    settle(&zone);
    const QPoint home = zone.itemAt(0).fieldButton->pos();
    const QPoint secondHome = zone.itemAt(1).fieldButton->pos();
    FieldButton *chip = zone.itemAt(0).fieldButton;
    QSignalSpy changed(&zone, &DropZone::ruleChanged);

    zone.duringDrag = [&](QDrag *drag) {
        settle(&zone);
        // The others close the gap while the chip is away.
        QCOMPARE(zone.itemAt(1).fieldButton->pos(), home);
        dragEnter(&zone, QPoint(650, 20), drag->mimeData());
        dragMove(&zone, QPoint(650, 20), drag->mimeData());
        QDragLeaveEvent leave;
        QApplication::sendEvent(&zone, &leave);
    };
    emit chip->dragStarted(chip);

    QCOMPARE(keys(&zone), (QStringList{"a", "b"}));
    QCOMPARE(changed.count(), 0);
    QVERIFY(!chip->isHidden());
    QVERIFY(!zone.draggedButton());
    QTRY_COMPARE(chip->pos(), home);
    QTRY_COMPARE(zone.itemAt(1).fieldButton->pos(), secondHome);
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

    // A chooser that belongs to no entry changes nothing.
    SeparatorButton stray;
    QObject::connect(&stray, &SeparatorButton::separatorChanged, editor.dropZone(), &DropZone::onSeparatorChanged);
    stray.setSeparator(QStringLiteral("#"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(editor.getNamingRule(), QStringLiteral("{a} {b}"));
}

void TestDropZone::narrowZoneWrapsToNextRow()
{
    DropZone zone;
    zone.addFieldItem(QStringLiteral("甲"), QStringLiteral("a"));
    zone.addFieldItem(QStringLiteral("乙"), QStringLiteral("b"));
    settle(&zone);
    const int chipWidth = zone.itemAt(0).fieldButton->width();
    const int chooserWidth = zone.itemAt(0).separatorButton->width();
    // After the first chip and its chooser, x is 12 + chip + 6 + chooser + 6; the next chip
    // needs chooser + 6 + chip more within width - 20. One pixel too narrow:
    const int fits = 12 + chipWidth + 6 + chooserWidth + 6 + chooserWidth + 6 + zone.itemAt(1).fieldButton->width() + 20;
    zone.resize(fits - 1, 60);
    zone.show();
    settle(&zone);
    QCOMPARE(zone.itemAt(0).fieldButton->pos(), QPoint(12, 12));
    QCOMPARE(zone.itemAt(0).separatorButton->pos(), QPoint(12 + chipWidth + 6, 12));
    QCOMPARE(zone.itemAt(1).fieldButton->pos(), QPoint(12, 50));
    QCOMPARE(zone.minimumHeight(), 50 + 44);

    // Wide enough: one row, and the minimum height is never lowered again.
    zone.resize(fits, 94);
    settle(&zone);
    QCOMPARE(zone.itemAt(1).fieldButton->pos(), QPoint(12 + chipWidth + 6 + chooserWidth + 6, 12));
    QCOMPARE(zone.minimumHeight(), 94);
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

void TestDropZone::appendingAfterStoredLastSeparatorJoinsFields()
{
    FolderNamingRule editor;
    editor.resize(600, 300);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.refreshData(json(R"([{"name":"产品ID","key":"id","separator":"="}])"));
    QCOMPARE(editor.getNamingRuleJson(), json(R"([{"name":"产品ID","key":"id"}])"));
    settle(editor.dropZone());
    QVERIFY(dropField(editor.dropZone(), QPoint(550, 30), QStringLiteral("数量"), QStringLiteral("goodnum")));
    QCOMPARE(editor.getNamingRuleJson(),
             json(R"([{"name":"产品ID","key":"id","separator":"="},{"name":"数量","key":"goodnum"}])"));
}

void TestDropZone::clearEmptiesRule()
{
    FolderNamingRule editor;
    editor.refreshData(json(R"([{"name":"产品ID","key":"id"},{"name":"数量","key":"goodnum"}])"));
    QSignalSpy changed(&editor, &FolderNamingRule::ruleChangedJson);
    editor.refreshData(QJsonArray());
    QCOMPARE(changed.count(), 1);
    QVERIFY(editor.getNamingRuleJson().isEmpty());
    QVERIFY(editor.getNamingRule().isEmpty());
    QVERIFY(editor.getNamingRuleList().isEmpty());
}

QTEST_MAIN(TestDropZone)
#include "tst_dropzone.moc"
