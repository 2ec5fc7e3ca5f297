// Chooses N files (default 10000) for one order of the file import window
// ("导入原片") and reports how long the GUI thread was held at a time, from
// the click on "选择文件" until the file table has been painted. Three runs.
//
//   import_choose_bench [COUNT] [--retouched picked|unpicked] [--from DIR]
//
// With --retouched the "导入精修片" tool chooses JPEGs that the customer all
// picked, or none of (the confirm listing them is answered yes). Offscreen,
// on a temporary mount root; the files are empty and made in a temporary
// folder, or in DIR (an SMB mount, say).

#include "app/core/Config.h"
#include "importfiles/ImportFiles.h"
#include "platform/MountRoot.h"

#include "widgets/SimpleDialog.h"

#include "bench/BenchSupport.h"
#include "bench/StallProbe.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

void settle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

int main(int argc, char **argv)
{
    BenchSupport::offscreenUnlessSet();
    QApplication app(argc, argv);
    BenchSupport::quietLogs();
    QTextStream out(stdout);
    QStringList args = app.arguments().mid(1);
    QString retouched;
    const int r = args.indexOf(QStringLiteral("--retouched"));
    if (r >= 0 && r + 1 < args.size()) {
        retouched = args.at(r + 1);
        args.removeAt(r + 1);
        args.removeAt(r);
    }
    QString from;
    const int f = args.indexOf(QStringLiteral("--from"));
    if (f >= 0 && f + 1 < args.size()) {
        from = args.at(f + 1);
        args.removeAt(f + 1);
        args.removeAt(f);
    }
    const ImportFileType type = retouched.isEmpty() ? OriginalFiles : RetouchedFiles;
    const int count = args.isEmpty() ? 10000 : args.first().toInt();

    QTemporaryDir root;
    QTemporaryDir sources(from.isEmpty() ? QDir::tempPath() + QStringLiteral("/choose-XXXXXX")
                                         : QDir(from).filePath(QStringLiteral("choose-XXXXXX")));
    BenchSupport::declareLocalShares();
    MountRoot::setPath(root.path());
    QDir(root.path()).mkpath(QStringLiteral("photo/.share")); // the share must be there: an empty one is a mount point
    QStringList files;
    for (int i = 0; i < count; ++i) {
        // Camera JPEGs and raw files side by side, as a card dump gives them.
        const QString path = type == RetouchedFiles
            ? sources.filePath(QStringLiteral("IMG_%1.jpg").arg(i, 5, 10, QLatin1Char('0')))
            : sources.filePath(
                QStringLiteral("IMG_%1.%2").arg(i / 2, 5, 10, QLatin1Char('0')).arg(i % 2 ? "CR3" : "JPG"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        files << path;
    }

    // The window takes its branch when it is made; the closed loopback port
    // fails its photo list at once, with no box.
    Config::k_shops = {ShopEntry{QStringLiteral("11"), QStringLiteral("旗舰店"), QString()}};
    Config::setUrlHost(QStringLiteral("http://127.0.0.1:9"));
    // Answers the mismatch confirm as soon as it shows.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<SimpleDialog *>(widget); dialog && dialog->isVisible())
                dialog->handleOk();
        }
    });
    answer.start(20);
    // From the start: a box never waits offscreen, it is answered and the run says what it said.
    const BenchSupport::MessageBoxAnswerer boxes(20);

    ImportFiles window;
    window.setImportType(type);
    window.setFileChooser([&files](QWidget *, const QString &, const QString &) { return files; });
    window.resize(1400, 800);
    window.show();

    ImportOrder order;
    order.id = QStringLiteral("1");
    order.order_photo_id = QStringLiteral("1"); // without its ids the window refuses the order
    order.orderpayforkey = QStringLiteral("BENCH1");
    order.servicetimes = QStringLiteral("1");
    order.netPath = QStringLiteral("\\\\srv\\photo\\bench1");
    order.importPath = QDir(root.path()).filePath(QStringLiteral("photo/bench1/"));
    if (retouched == QLatin1String("picked")) {
        for (const QString &path : qAsConst(files))
            order.selectedNames << QFileInfo(path).fileName();
    }
    window.addOrder(order);
    auto *orders = window.findChild<QTableWidget *>(QStringLiteral("orderTable"));
    orders->selectRow(0);
    settle(300);

    QList<double> stalls;
    QList<qint64> totals;
    for (int run = 0; run < 3; ++run) {
        QWidget *cell = orders->cellWidget(0, 0);
        for (int c = 0; !cell && c < orders->columnCount(); ++c)
            cell = orders->cellWidget(0, c);
        auto *button = cell ? cell->findChild<QPushButton *>(QStringLiteral("selectFilesButton")) : nullptr;
        if (!button) {
            out << "no choose button\n";
            return 1;
        }
        StallProbe probe;
        QElapsedTimer clock;
        probe.start();
        clock.start();
        button->click();
        QElapsedTimer limit;
        limit.start();
        while (window.isReadingChoice() && limit.elapsed() < 120000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        settle(600);
        probe.stop();
        stalls << probe.longestMs();
        totals << clock.elapsed();
        if (window.orders().value(0).files.size() != count || !boxes.texts().isEmpty()) {
            out << "the choice was not taken: " << window.orders().value(0).files.size() << " of " << count
                << " files chosen" << (boxes.texts().isEmpty() ? QString() : QStringLiteral(", the window said: ")
                                                                                + boxes.texts().join(QStringLiteral(" | ")))
                << "\n";
            return 1;
        }
    }
    std::sort(stalls.begin(), stalls.end());
    out << "files chosen: " << count << ", until taken (last run): " << totals.last() - 600 << " ms\n";
    out << QStringLiteral("longest GUI-thread stall, min/median/max of 3: %1 / %2 / %3 ms\n")
               .arg(stalls.at(0), 0, 'f', 1)
               .arg(stalls.at(1), 0, 'f', 1)
               .arg(stalls.at(2), 0, 'f', 1);
    return 0;
}
