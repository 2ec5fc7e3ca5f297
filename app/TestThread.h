#pragma once

#include <QMap>
#include <QMutex>
#include <QRunnable>
#include <QString>

class QWidget;

// Prepares the size folders ("1920", "190", "90") of an import target.
class TestThread : public QRunnable
{
public:
    TestThread(QString path, QMap<QString, QString> data, QWidget *parent = nullptr);
    void run() override;
    ~TestThread() override;

    void scaleimg(QString source, int size, QString target);

private:
    QWidget *parent;
    QString path;
    QMap<QString, QString> data;
};

extern QMutex mutex;
