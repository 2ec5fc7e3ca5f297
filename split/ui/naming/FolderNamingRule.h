#pragma once

#include <QJsonArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QWidget>

class DropZone;
class FlowLayout;
class QLabel;
class QVBoxLayout;

// The product-folder naming-rule editor: a titled drop zone over a wrapping
// row of available fields. Announces the rule as JSON after every change.
class FolderNamingRule : public QWidget
{
    Q_OBJECT

public:
    explicit FolderNamingRule(QWidget *parent = nullptr);

    static QList<QMap<QString, QString>> returnFieldOptions(const QString &type);
    void setFieldOptions(const QList<QMap<QString, QString>> &options);
    QList<QMap<QString, QString>> fieldOptions() const { return m_fieldOptions; }
    // Replaces the editor's content with a stored rule.
    void refreshData(const QJsonArray &rule);

    QJsonArray getNamingRuleJson() const;
    QString getNamingRule() const;
    QStringList getNamingRuleList() const;

    DropZone *dropZone() const { return m_dropZone; }
    QWidget *sourceContainer() const { return m_sourceContainer; }

signals:
    void ruleChanged(const QString &rule);
    void ruleChangedJson(const QJsonArray &rule);

private:
    void setupUI();

    QVBoxLayout *m_mainLayout = nullptr;
    QLabel *m_titleLabel = nullptr;
    DropZone *m_dropZone = nullptr;
    QWidget *m_sourceContainer = nullptr;
    FlowLayout *m_sourceLayout = nullptr;
    QList<QMap<QString, QString>> m_fieldOptions;
};
