#include "support/MessageCatcher.h"
#include "widgets/ElementButton.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

// The value of one property inside the rule for one selector.
QString ruleValue(const QString &sheet, const QString &selector, const QString &property)
{
    const QRegularExpression rule(QRegularExpression::escape(selector) + QStringLiteral("\\s*\\{([^}]*)\\}"));
    const QRegularExpressionMatch block = rule.match(sheet);
    if (!block.hasMatch())
        return QStringLiteral("<no rule>");
    const QRegularExpression prop(QStringLiteral("(?:^|;)\\s*") + QRegularExpression::escape(property)
                                  + QStringLiteral("\\s*:\\s*([^;]*);"));
    const QRegularExpressionMatch value = prop.match(block.captured(1));
    return value.hasMatch() ? value.captured(1).trimmed() : QStringLiteral("<no property>");
}

} // namespace

class TestElementButton : public QObject
{
    Q_OBJECT

private slots:
    void defaultButton();
    void looks_data();
    void looks();
    void disabledColours_data();
    void disabledColours();
    void repeatedDisableChangesNothing();
    void unknownTypeIsNeutral();
    void minimumSizeFollowsSettings_data();
    void minimumSizeFollowsSettings();
};

void TestElementButton::defaultButton()
{
    QWidget parent;
    ElementButton button(&parent);
    const QString sheet = button.styleSheet();
    QCOMPARE(button.buttonType(), ElementButton::Primary);
    QCOMPARE(button.minimumSize(), QSize(50, 21));
    QCOMPARE(ruleValue(sheet, "QPushButton", "background-color"), QString("#409EFF"));
    QCOMPARE(ruleValue(sheet, "QPushButton", "padding"), QString("5px 10px"));
    QCOMPARE(ruleValue(sheet, "QPushButton", "font-size"), QString("9px"));
    QCOMPARE(ruleValue(sheet, "QPushButton", "border-radius"), QString("3px"));
    QCOMPARE(ruleValue(sheet, "QPushButton", "font-weight"), QString("500"));
    QCOMPARE(button.cursor().shape(), Qt::PointingHandCursor);

    // Qt 5 style sheets know no cursor: the disabled button sets it in code, quietly.
    MessageCatcher log;
    button.setButtonDisabled(true);
    parent.grab();
    QCOMPARE(button.cursor().shape(), Qt::ForbiddenCursor);
    QVERIFY2(!log.text().contains("Unknown property"), qPrintable(log.text()));
    button.setEnabled(true);
    QCOMPARE(button.cursor().shape(), Qt::PointingHandCursor);

    ElementButton withText(QStringLiteral("保存"), ElementButton::Success, &parent);
    QCOMPARE(withText.text(), QStringLiteral("保存"));
    QCOMPARE(ruleValue(withText.styleSheet(), "QPushButton", "background-color"), QString("#67C23A"));
}

void TestElementButton::looks_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("plain");
    QTest::addColumn<bool>("round");
    QTest::addColumn<bool>("circle");
    QTest::addColumn<bool>("textStyle");
    QTest::addColumn<QStringList>("normal");  // background, text, border
    QTest::addColumn<QStringList>("hover");   // background, text, border
    QTest::addColumn<QStringList>("pressed"); // background, text, border
    QTest::addColumn<QString>("radius");
    QTest::addColumn<QString>("padding");
    QTest::addColumn<QString>("fontSize");

    QTest::newRow("green small text style")
        << 2 << 0 << false << false << false << true
        << QStringList{"transparent", "#67C23A", "transparent"}
        << QStringList{"transparent", "#85CE61", "transparent"}
        << QStringList{"transparent", "#5DAF34", "transparent"} << "3px" << "3px 7px" << "8px";
    QTest::newRow("circle large") << 1 << 2 << false << false << true << false
                                  << QStringList{"#409EFF", "#FFFFFF", "#409EFF"}
                                  << QStringList{"#66B1FF", "#FFFFFF", "#66B1FF"}
                                  << QStringList{"#3A8EE6", "#FFFFFF", "#3A8EE6"} << "50%"
                                  << "7px 13px" << "9px";
    QTest::newRow("circle wins over round") << 3 << 1 << false << true << true << false
                                            << QStringList{"#E6A23C", "#FFFFFF", "#E6A23C"}
                                            << QStringList{"#EBB563", "#FFFFFF", "#EBB563"}
                                            << QStringList{"#CF9236", "#FFFFFF", "#CF9236"}
                                            << "50%" << "5px 10px" << "9px";
    QTest::newRow("round") << 5 << 1 << false << true << false << false
                           << QStringList{"#909399", "#FFFFFF", "#909399"}
                           << QStringList{"#A6A9AD", "#FFFFFF", "#A6A9AD"}
                           << QStringList{"#82848A", "#FFFFFF", "#82848A"} << "13px" << "5px 10px"
                           << "9px";
    QTest::newRow("plain red") << 4 << 1 << true << false << false << false
                               << QStringList{"#FFFFFF", "#F56C6C", "#F56C6C"}
                               << QStringList{"#F56C6C", "#FFFFFF", "#F56C6C"}
                               << QStringList{"#F56C6C", "#FFFFFF", "#F56C6C"} << "3px" << "5px 10px"
                               << "9px";
    QTest::newRow("plain neutral is all white") << 0 << 1 << true << false << false << false
                                                << QStringList{"#FFFFFF", "#FFFFFF", "#FFFFFF"}
                                                << QStringList{"#FFFFFF", "#FFFFFF", "#FFFFFF"}
                                                << QStringList{"#FFFFFF", "#FFFFFF", "#FFFFFF"}
                                                << "3px" << "5px 10px" << "9px";
    QTest::newRow("neutral") << 0 << 0 << false << false << false << false
                             << QStringList{"#FFFFFF", "#606266", "#DCDFE6"}
                             << QStringList{"#ECF5FF", "#409EFF", "#C6E2FF"}
                             << QStringList{"#FFFFFF", "#3A8EE6", "#3A8EE6"} << "3px" << "3px 7px"
                             << "8px";
    QTest::newRow("plain and text style") << 4 << 1 << true << false << false << true
                                          << QStringList{"transparent", "#F56C6C", "transparent"}
                                          << QStringList{"transparent", "#F78989", "transparent"}
                                          << QStringList{"transparent", "#DD6161", "transparent"}
                                          << "3px" << "5px 10px" << "9px";
}

void TestElementButton::looks()
{
    QFETCH(int, type);
    QFETCH(int, size);
    QFETCH(bool, plain);
    QFETCH(bool, round);
    QFETCH(bool, circle);
    QFETCH(bool, textStyle);
    QFETCH(QStringList, normal);
    QFETCH(QStringList, hover);
    QFETCH(QStringList, pressed);
    QFETCH(QString, radius);
    QFETCH(QString, padding);
    QFETCH(QString, fontSize);

    ElementButton button;
    button.setButtonType(static_cast<ElementButton::ButtonType>(type));
    button.setButtonSize(static_cast<ElementButton::ButtonSize>(size));
    button.setPlain(plain);
    button.setRound(round);
    button.setCircle(circle);
    button.setTextStyle(textStyle);
    const QString sheet = button.styleSheet();
    QCOMPARE(sheet, button.getStyleSheet());

    QCOMPARE(ruleValue(sheet, "QPushButton", "background-color"), normal.at(0));
    QCOMPARE(ruleValue(sheet, "QPushButton", "color"), normal.at(1));
    QCOMPARE(ruleValue(sheet, "QPushButton", "border"), QStringLiteral("1px solid ") + normal.at(2));
    QCOMPARE(ruleValue(sheet, "QPushButton:hover", "background-color"), hover.at(0));
    QCOMPARE(ruleValue(sheet, "QPushButton:hover", "color"), hover.at(1));
    QCOMPARE(ruleValue(sheet, "QPushButton:hover", "border-color"), hover.at(2));
    QCOMPARE(ruleValue(sheet, "QPushButton:pressed", "background-color"), pressed.at(0));
    QCOMPARE(ruleValue(sheet, "QPushButton:pressed", "color"), pressed.at(1));
    QCOMPARE(ruleValue(sheet, "QPushButton:pressed", "border-color"), pressed.at(2));
    QCOMPARE(ruleValue(sheet, "QPushButton", "border-radius"), radius);
    QCOMPARE(ruleValue(sheet, "QPushButton", "padding"), padding);
    QCOMPARE(ruleValue(sheet, "QPushButton", "font-size"), fontSize);
    QVERIFY(!sheet.contains(QRegularExpression(QStringLiteral("%\\d"))));
}

void TestElementButton::disabledColours_data()
{
    QTest::addColumn<bool>("plain");
    QTest::addColumn<bool>("textStyle");
    QTest::addColumn<QStringList>("expected"); // background, text, border

    QTest::newRow("solid") << false << false << QStringList{"#F5F7FA", "#C0C4CC", "#E4E7ED"};
    QTest::newRow("plain") << true << false << QStringList{"#FFFFFF", "#C0C4CC", "#E4E7ED"};
    QTest::newRow("text") << false << true << QStringList{"transparent", "#C0C4CC", "transparent"};
    QTest::newRow("plain text") << true << true << QStringList{"transparent", "#C0C4CC", "transparent"};
}

void TestElementButton::disabledColours()
{
    QFETCH(bool, plain);
    QFETCH(bool, textStyle);
    QFETCH(QStringList, expected);

    ElementButton button(QStringLiteral("删除"), ElementButton::Danger);
    button.setPlain(plain);
    button.setTextStyle(textStyle);
    button.setButtonDisabled(true);
    QVERIFY(!button.isEnabled());
    const QString sheet = button.styleSheet();
    QCOMPARE(ruleValue(sheet, "QPushButton:disabled", "background-color"), expected.at(0));
    QCOMPARE(ruleValue(sheet, "QPushButton:disabled", "color"), expected.at(1));
    QCOMPARE(ruleValue(sheet, "QPushButton:disabled", "border-color"), expected.at(2));
}

void TestElementButton::repeatedDisableChangesNothing()
{
    ElementButton button;
    button.setButtonDisabled(true);
    QVERIFY(!button.isEnabled());
    // Enabled from outside; a second identical call must not touch it.
    button.setEnabled(true);
    const QString sheet = button.styleSheet();
    button.setButtonDisabled(true);
    QVERIFY(button.isEnabled());
    QCOMPARE(button.styleSheet(), sheet);
    button.setButtonDisabled(false);
    QVERIFY(button.isEnabled());
}

void TestElementButton::unknownTypeIsNeutral()
{
    ElementButton neutral;
    neutral.setButtonType(ElementButton::Default);
    ElementButton unknown;
    unknown.setButtonType(static_cast<ElementButton::ButtonType>(7));
    QCOMPARE(unknown.styleSheet(), neutral.styleSheet());
    ElementButton oddSize;
    oddSize.setButtonSize(static_cast<ElementButton::ButtonSize>(9));
    QCOMPARE(oddSize.minimumSize(), QSize(50, 21));
}

void TestElementButton::minimumSizeFollowsSettings_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("circle");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("small") << 0 << false << QSize(40, 16);
    QTest::newRow("normal") << 1 << false << QSize(50, 21);
    QTest::newRow("large") << 2 << false << QSize(60, 27);
    QTest::newRow("small circle") << 0 << true << QSize(16, 16);
    QTest::newRow("large circle") << 2 << true << QSize(27, 27);
}

void TestElementButton::minimumSizeFollowsSettings()
{
    QFETCH(int, size);
    QFETCH(bool, circle);
    QFETCH(QSize, expected);
    ElementButton button(QStringLiteral("确定"));
    button.setButtonSize(static_cast<ElementButton::ButtonSize>(size));
    button.setCircle(circle);
    QCOMPARE(button.minimumSize(), expected);
    QCOMPARE(button.getSizeHint(), expected);
}

QTEST_MAIN(TestElementButton)
#include "tst_elementbutton.moc"
