#pragma once

#include "bench/BenchSupport.h"
#include "bench/StallProbe.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>

#include <functional>

// A search that fills an order table, then a scroll to its bottom: what the
// window benchmarks of the search tables measure alike.
struct TableSearchRun
{
    bool filled = false;
    qint64 fillMs = 0;
    double fillStall = 0;
    int pages = 0;
    double scrollStall = 0;
    int widgets = 0; // cell widgets left at the bottom

    // What both benchmarks print of the fill and the scroll.
    QString summary() const
    {
        return QStringLiteral("filled in %1 ms, longest GUI stall %2 ms; scrolling in %3 jumps: longest stall %4 ms, "
                              "%5 cell widgets at the bottom")
            .arg(fillMs)
            .arg(fillStall, 0, 'f', 1)
            .arg(pages)
            .arg(scrollStall, 0, 'f', 1)
            .arg(widgets);
    }

    // Closes a window that deletes itself on close; the time until it is gone.
    static qint64 closeAndWait(QWidget *window)
    {
        QPointer<QWidget> guard(window);
        QElapsedTimer clock;
        clock.start();
        window->close();
        BenchSupport::waitFor([&guard] { return guard.isNull(); }, 900000);
        return clock.elapsed();
    }

    static void settle(int ms)
    {
        BenchSupport::waitFor([] { return false; }, ms);
    }

    static TableSearchRun measure(QPushButton *search, QTableWidget *table, const std::function<bool()> &isFilled,
                                  qint64 limitMs)
    {
        TableSearchRun run;
        StallProbe probe;
        QElapsedTimer clock;
        probe.start();
        clock.start();
        search->click();
        run.filled = BenchSupport::waitFor(isFilled, limitMs);
        run.fillMs = clock.elapsed();
        settle(300);
        probe.stop();
        run.fillStall = probe.longestMs();
        if (!run.filled)
            return run;

        // Down to the bottom in jumps, each drawn.
        QScrollBar *bar = table->verticalScrollBar();
        probe.start();
        for (int value = 0; value <= bar->maximum() && run.pages < 400;
             value += qMax(1, bar->maximum() / 200), ++run.pages) {
            bar->setValue(value);
            // A turn of a real loop: released widgets are deleted there, as in the application.
            QEventLoop loop;
            QTimer::singleShot(0, &loop, &QEventLoop::quit);
            loop.exec();
        }
        bar->setValue(bar->maximum());
        settle(100);
        probe.stop();
        run.scrollStall = probe.longestMs();
        run.widgets = table->viewport()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).size();
        return run;
    }
};
