#pragma once

#include <QWidget>

#include <functional>

// Receives the job reports of one order and hands them on with that order's
// number, so the window can drop reports of an order that has already ended.
class FJResultRelay : public QWidget
{
    Q_OBJECT

public:
    using Forward = std::function<void(int generation, bool, const QString &, const QString &, const QString &,
                                       const QString &)>;
    FJResultRelay(int generation, Forward forward, QWidget *parent);

    int generation() const { return m_generation; }

public slots:
    void slt_copypicthread(bool ok, QString jobType, QString srcPath, QString third, QString message);

private:
    int m_generation;
    Forward m_forward;
};
