#pragma once

#include <QString>
#include <QStringList>

class ChooseTools;
class DemoStudio;
class FJHome;
class ImportFiles;
class QPushButton;
class QWidget;

// Steps of the demo studio's tour as a user takes them, shared by the tests
// that drive the tools from the launcher.
namespace DemoTour {

// Logs in with the demo account through the login window; the launcher it
// opens, null when none opened. Returns once the login window has gone.
ChooseTools *logIn(const DemoStudio &demo);
// Opens a tool with a double click on its card; the tool's window.
QWidget *openTool(ChooseTools *launcher, const QString &name);
// The order table's row of "<orderNumber>-1", -1 when not shown.
int importRow(ImportFiles *window, const QString &orderNumber);
// The row's "选择文件" button.
QPushButton *importRowButton(ImportFiles *window, int row);
// The split window's row of the order, -1 when not listed.
int splitRow(FJHome *window, const QString &orderNumber);
// The files directly in folder, as full paths, by name.
QStringList pathsIn(const QString &folder);

} // namespace DemoTour
