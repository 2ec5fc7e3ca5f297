#pragma once

#include <QJsonObject>
#include <QString>
#include <QWidget>

// The batch delete tool's window ("批量删除").
class BatchDelete : public QWidget
{
    Q_OBJECT

public:
    explicit BatchDelete(QWidget *parent = nullptr);

    // The login reply, filled by the window's creator.
    QJsonObject loginInfo;

    QString currentShopId() const { return m_currentShopId; }

private:
    void setupUI();

    QString m_currentShopId;
};
