#include "importfiles/FileButtonDelegate.h"
#include "importfiles/ImportFileTableModel.h"

#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

namespace {

ImportFile makeFile(const QString &base, const QString &suffix, ImportStatus status, const QString &message = QString())
{
    ImportFile file;
    file.sourcePath = QStringLiteral("/src/") + base + QLatin1Char('.') + suffix;
    file.baseName = base;
    file.suffix = suffix;
    file.targetFolder = QStringLiteral("/share/o/原片");
    file.status = status;
    file.message = message;
    return file;
}

} // namespace

class tst_ImportFileTableModel : public QObject
{
    Q_OBJECT

private slots:
    void cells_data();
    void cells();
    void outOfRangeHasNoValue();
    void updateOnlyValidRows();
    void retryButtonOnlyForFailed();
};

void tst_ImportFileTableModel::cells_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("stateText");
    QTest::addColumn<QString>("operation");
    QTest::newRow("success") << 1 << "拷贝成功" << "导入成功" << "";
    QTest::newRow("failed with message") << 2 << "原文件不存在: /x" << "原文件不存在: /x" << "retry";
    QTest::newRow("failed without message") << 2 << "" << "导入失败" << "retry";
}

void tst_ImportFileTableModel::cells()
{
    QFETCH(int, status);
    QFETCH(QString, message);
    ImportFileTableModel model;
    model.setFiles({makeFile(QStringLiteral("IMG_1"), QStringLiteral("JPG"), ImportStatus(status), message)});
    QTEST(model.data(model.index(0, 1)).toString(), "stateText");
    QTEST(model.data(model.index(0, 2)).toString(), "operation");
    QCOMPARE(model.data(model.index(0, 0), Qt::UserRole).toInt(), status);
}

void tst_ImportFileTableModel::outOfRangeHasNoValue()
{
    ImportFileTableModel model;
    model.setFiles({makeFile(QStringLiteral("a"), QString(), ImportStatus::Waiting)});
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("a."));
    QVERIFY(!model.data(model.index(1, 0)).isValid());
    const ImportFile none = model.getFile(3);
    QVERIFY(none.baseName.isEmpty());
    QCOMPARE(none.status, ImportStatus::Waiting);
    model.setFiles({makeFile(QStringLiteral("a"), QStringLiteral("jpg"), ImportStatus(9))});
    QVERIFY(!model.data(model.index(0, 1)).isValid());
}

void tst_ImportFileTableModel::updateOnlyValidRows()
{
    ImportFileTableModel model;
    model.setFiles({makeFile(QStringLiteral("a"), QStringLiteral("jpg"), ImportStatus::Waiting)});
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.updateFileStatus(5, ImportStatus::Failed, QStringLiteral("x"));
    model.updateFileStatus(-1, ImportStatus::Failed, QStringLiteral("x"));
    QCOMPARE(changed.count(), 0);
    model.updateFileStatus(0, ImportStatus::Failed, QStringLiteral("坏了"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<QModelIndex>().column(), 1);
    QCOMPARE(changed.at(0).at(1).value<QModelIndex>().column(), 2);
    QCOMPARE(model.getFile(0).message, QStringLiteral("坏了"));
}

void tst_ImportFileTableModel::retryButtonOnlyForFailed()
{
    QTableView view;
    ImportFileTableModel model;
    FileButtonDelegate delegate;
    view.setModel(&model);
    view.setItemDelegateForColumn(2, &delegate);
    view.resize(600, 300);
    model.setFiles({makeFile(QStringLiteral("ok"), QStringLiteral("jpg"), ImportStatus::Success),
                    makeFile(QStringLiteral("bad"), QStringLiteral("jpg"), ImportStatus::Failed),
                    makeFile(QStringLiteral("wait"), QStringLiteral("jpg"), ImportStatus::Waiting)});
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy retry(&delegate, &FileButtonDelegate::retryClicked);
    for (int row = 0; row < 3; ++row) {
        const QPoint centre = view.visualRect(model.index(row, 2)).center();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, centre);
    }
    QCOMPARE(retry.count(), 1);
    QCOMPARE(retry.at(0).at(0).toInt(), 1);
}

QTEST_MAIN(tst_ImportFileTableModel)
#include "tst_ImportFileTableModel.moc"
