#include "batchdelete/BatchDeleteFileModel.h"
#include "batchdelete/BatchDelete_ActionDelegate.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QStyleOptionViewItem>
#include <QtTest>

class tst_BatchDeleteDelegates : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void releaseOnOfferedButton_data();
    void releaseOnOfferedButton();

private:
    QMouseEvent mouse(QEvent::Type type, const QPoint &pos)
    {
        return QMouseEvent(type, pos, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    }
    QStyleOptionViewItem cell() const
    {
        QStyleOptionViewItem option;
        option.rect = QRect(100, 200, 150, 41);
        return option;
    }
    BatchDeleteFileModel m_model;
};

void tst_BatchDeleteDelegates::init()
{
    QList<BatchDeleteFileInfo> files;
    for (int status : {int(NotDeleted), int(SubmitFailed), int(FileOccupied), int(NoPermission)}) {
        BatchDeleteFileInfo file;
        file.status = status;
        file.index = files.size();
        files.append(file);
    }
    m_model.setFiles(files);
}

void tst_BatchDeleteDelegates::releaseOnOfferedButton_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("submits");
    QTest::addColumn<int>("deletes");
    QTest::newRow("nothing offered") << 0 << QPoint(120, 220) << 0 << 0;
    QTest::newRow("report failed") << 1 << QPoint(120, 220) << 1 << 0;
    QTest::newRow("file held") << 2 << QPoint(177, 232) << 0 << 1;
    QTest::newRow("beside the button") << 2 << QPoint(190, 220) << 0 << 0;
    QTest::newRow("no permission") << 3 << QPoint(120, 220) << 0 << 0;
}

void tst_BatchDeleteDelegates::releaseOnOfferedButton()
{
    QFETCH(int, row);
    QFETCH(QPoint, pos);
    QFETCH(int, submits);
    QFETCH(int, deletes);
    BatchDelete_ActionDelegate delegate;
    QSignalSpy submit(&delegate, &BatchDelete_ActionDelegate::retrySubmitClicked);
    QSignalSpy retry(&delegate, &BatchDelete_ActionDelegate::retryDeleteClicked);
    QMouseEvent release = mouse(QEvent::MouseButtonRelease, pos);
    const bool consumed = delegate.editorEvent(&release, &m_model, cell(), m_model.index(row, 4));
    QCOMPARE(submit.count(), submits);
    QCOMPARE(retry.count(), deletes);
    QCOMPARE(consumed, submits + deletes > 0);
    if (submits)
        QCOMPARE(submit.first().first().toInt(), row);
}

QTEST_MAIN(tst_BatchDeleteDelegates)
#include "tst_BatchDeleteDelegates.moc"
