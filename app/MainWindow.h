#pragma once

#include <QMainWindow>

namespace Ui {
class MainWindow;
}

// An empty main-window shell built from its form; nothing constructs it.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private:
    Ui::MainWindow *ui;
};
