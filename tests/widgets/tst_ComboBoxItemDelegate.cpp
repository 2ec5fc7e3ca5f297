#include "widgets/ComboBoxItemDelegate.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QtTest>

class tst_ComboBoxItemDelegate : public QObject
{
    Q_OBJECT

private slots:
    void colours_data();
    void colours();
    void paintsIntoAComboPopup();
};

void tst_ComboBoxItemDelegate::colours_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("background");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << int(QStyle::State_Enabled) << "#ffffff" << "#000000";
    QTest::newRow("hovered") << int(QStyle::State_Enabled | QStyle::State_MouseOver) << "#2c3e50" << "#ffffff";
    QTest::newRow("selected") << int(QStyle::State_Enabled | QStyle::State_Selected) << "#007aff" << "#ffffff";
    QTest::newRow("hovered wins over selected")
        << int(QStyle::State_Enabled | QStyle::State_Selected | QStyle::State_MouseOver) << "#2c3e50" << "#ffffff";
}

void tst_ComboBoxItemDelegate::colours()
{
    QFETCH(int, state);
    QFETCH(QString, background);
    QFETCH(QString, text);
    QStyleOptionViewItem option;
    option.state = QStyle::State(state);
    const QStyleOptionViewItem styled = ComboBoxItemDelegate::styledOption(option);
    QCOMPARE(styled.backgroundBrush.color().name(), background);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        QCOMPARE(styled.palette.color(group, QPalette::Text).name(), text);
}

void tst_ComboBoxItemDelegate::paintsIntoAComboPopup()
{
    QComboBox combo;
    auto *delegate = new ComboBoxItemDelegate(&combo);
    combo.setItemDelegate(delegate);
    combo.addItems({QStringLiteral("全部"), QStringLiteral("王修图")});
    combo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&combo));
    combo.showPopup();
    QTRY_VERIFY(combo.view()->isVisible());
    QCOMPARE(combo.view()->sizeHintForRow(1), 60);
    combo.hidePopup();
}

QTEST_MAIN(tst_ComboBoxItemDelegate)
#include "tst_ComboBoxItemDelegate.moc"
