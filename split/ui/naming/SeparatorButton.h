#pragma once

#include <QPushButton>
#include <QStringList>

class QMenu;

// Chooser of the separator after a placed field; a left press opens the menu
// of offered separators.
class SeparatorButton : public QPushButton
{
    Q_OBJECT
    Q_PROPERTY(QPoint pos READ pos WRITE move)

public:
    explicit SeparatorButton(QWidget *parent = nullptr);

    QString separator() const { return m_separator; }
    // Always announces the separator, also when it is unchanged.
    void setSeparator(const QString &separator);
    void showSeparatorMenu();

signals:
    void separatorChanged(const QString &separator);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    // Runs the menu; a separate step so a test can answer it.
    virtual QAction *execMenu(QMenu *menu, const QPoint &globalPos);

private:
    QString m_separator;
    QStringList m_separators;
};
