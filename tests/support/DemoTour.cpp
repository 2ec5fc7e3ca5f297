#include "support/DemoTour.h"

#include "app/ChooseTools.h"
#include "app/LoginNew.h"
#include "app/ToolCardWidget.h"
#include "importfiles/ImportFiles.h"
#include "split/ui/FJHome.h"
#include "split/ui/FJLeftPanel.h"
#include "support/DemoStudio.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace DemoTour {

ChooseTools *logIn(const DemoStudio &demo)
{
    QPointer<LoginNew> login = new LoginNew();
    login->setAttribute(Qt::WA_DeleteOnClose);
    login->show();
    const QList<QLineEdit *> fields = login->findChildren<QLineEdit *>(QStringLiteral("inputField"));
    fields.at(0)->setText(demo.username());
    fields.at(1)->setText(demo.password());
    QTest::mouseClick(login->findChild<QPushButton *>(QStringLiteral("loginButton")), Qt::LeftButton);
    ChooseTools *launcher = nullptr;
    (void)QTest::qWaitFor([&launcher] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if ((launcher = qobject_cast<ChooseTools *>(widget)))
                return true;
        }
        return false;
    }, 10000);
    // The login window fades out after the launcher opens: no test begins while it is still on screen.
    (void)QTest::qWaitFor([&login] { return !login || !login->isVisible(); }, 10000);
    return launcher;
}

QWidget *openTool(ChooseTools *launcher, const QString &name)
{
    for (ToolCardWidget *card : launcher->findChildren<ToolCardWidget *>()) {
        if (card->toolName() == name)
            QTest::mouseDClick(card, Qt::LeftButton);
    }
    return launcher->toolWindow(name);
}

int importRow(ImportFiles *window, const QString &orderNumber)
{
    auto *table = window->findChild<QTableWidget *>(QStringLiteral("orderTable"));
    for (int row = 0; row < table->rowCount(); ++row) {
        for (int column = 0; column < table->columnCount(); ++column) {
            if (table->item(row, column) && table->item(row, column)->text() == orderNumber + QStringLiteral("-1"))
                return row;
        }
    }
    return -1;
}

QPushButton *importRowButton(ImportFiles *window, int row)
{
    auto *table = window->findChild<QTableWidget *>(QStringLiteral("orderTable"));
    for (int column = 0; column < table->columnCount(); ++column) {
        QWidget *cell = table->cellWidget(row, column);
        if (auto *button = cell ? cell->findChild<QPushButton *>(QStringLiteral("selectFilesButton")) : nullptr)
            return button;
    }
    return nullptr;
}

int splitRow(FJHome *window, const QString &orderNumber)
{
    for (int row = 0; row < window->leftPanel->orderList.size(); ++row) {
        if (window->leftPanel->orderList.at(row).orderpayforkey == orderNumber)
            return row;
    }
    return -1;
}

QStringList pathsIn(const QString &folder)
{
    QStringList paths;
    for (const QString &name : QDir(folder).entryList(QDir::Files, QDir::Name))
        paths << folder + QLatin1Char('/') + name;
    return paths;
}

} // namespace DemoTour
