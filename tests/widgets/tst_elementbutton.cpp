#include "support/MessageCatcher.h"
#include "support/MessageCatcher.h"
#include "widgets/ElementButton.h"

#include <QHBoxLayout>
#include <QImage>
#include <QtTest>

namespace {

bool near(QColor a, QColor b)
{
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 40;
}

// Pixels of the picture far from colour: drawn text or border.
int pixelsUnlike(const QImage &image, const QRect &area, QColor colour)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += near(image.pixelColor(x, y), colour) ? 0 : 1;
    }
    return count;
}

} // namespace

class TestElementButton : public QObject
{
    Q_OBJECT

private slots:
    void roundShapesAreDrawnRound_data();
    void roundShapesAreDrawnRound();
    void plainNeutralTextIsVisible();
    void repeatedDisableChangesNothing();
    void unknownTypeIsNeutral();
};

void TestElementButton::roundShapesAreDrawnRound_data()
{
    QTest::addColumn<bool>("circle");
    QTest::addColumn<int>("size");
    QTest::addColumn<QSize>("drawn");
    QTest::newRow("round normal") << false << 1 << QSize(90, 21);
    QTest::newRow("round large, taller than wanted") << false << 2 << QSize(120, 40);
    QTest::newRow("circle small") << true << 0 << QSize(16, 16);
    QTest::newRow("circle large") << true << 2 << QSize(27, 27);
    QTest::newRow("circle stretched") << true << 1 << QSize(60, 30);
}

// Style sheets ignore a 50 % radius and radii over half the height: the corners must still be cut.
void TestElementButton::roundShapesAreDrawnRound()
{
    QFETCH(bool, circle);
    QFETCH(int, size);
    QFETCH(QSize, drawn);
    QWidget window;
    window.setStyleSheet(QStringLiteral("QWidget { background: #000000; }"));
    auto *layout = new QHBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *button = new ElementButton(QString(), ElementButton::Primary, &window);
    button->setButtonSize(static_cast<ElementButton::ButtonSize>(size));
    button->setRound(!circle);
    button->setCircle(circle);
    button->setFixedSize(drawn);
    layout->addWidget(button);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Grabbed with what lies behind it: a grab of the button alone fills its whole rectangle first.
    const QImage image = window.grab(button->geometry()).toImage();
    const QColor blue(0x40, 0x9E, 0xFF);
    QVERIFY(near(image.pixelColor(drawn.width() / 2, drawn.height() / 2), blue));
    // The corner pixels show what is behind the button; the middle of each edge is the button.
    const int w = image.width() - 1, h = image.height() - 1;
    for (const QPoint &corner : {QPoint(1, 1), QPoint(w - 1, 1), QPoint(1, h - 1), QPoint(w - 1, h - 1)})
        QVERIFY2(!near(image.pixelColor(corner), blue), qPrintable(QStringLiteral("%1,%2").arg(corner.x()).arg(corner.y())));
    QVERIFY(near(image.pixelColor(w / 2, 2), blue));
    QVERIFY(near(image.pixelColor(2, h / 2), blue));
}

void TestElementButton::plainNeutralTextIsVisible()
{
    ElementButton button(QStringLiteral("取消"), ElementButton::Default);
    button.setPlain(true);
    button.resize(80, 30);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    const QImage image = button.grab().toImage();
    // Inside the border only the text differs from the white body.
    QVERIFY(pixelsUnlike(image, image.rect().adjusted(6, 6, -6, -6), Qt::white) > 10);
}

void TestElementButton::repeatedDisableChangesNothing()
{
    ElementButton button;
    QCOMPARE(button.cursor().shape(), Qt::PointingHandCursor);
    // Qt 5 style sheets know no cursor: the disabled button sets it in code, quietly.
    MessageCatcher log;
    button.setButtonDisabled(true);
    button.grab();
    QCOMPARE(button.cursor().shape(), Qt::ForbiddenCursor);
    QVERIFY2(!log.text().contains("Unknown property"), qPrintable(log.text()));
    QVERIFY(!button.isEnabled());
    // Enabled from outside; a second identical call must not touch it.
    button.setEnabled(true);
    QCOMPARE(button.cursor().shape(), Qt::PointingHandCursor);
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
    QCOMPARE(oddSize.minimumSize(), ElementButton().minimumSize());
}

QTEST_MAIN(TestElementButton)
#include "tst_elementbutton.moc"
