#include "split/ui/naming/FolderNamingRule.h"

#include "app/core/K.h"
#include "split/ui/naming/DraggableFieldSource.h"
#include "split/ui/naming/DropZone.h"
#include "split/ui/naming/FlowLayout.h"
#include "split/ui/naming/NamingRuleFormat.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

FolderNamingRule::FolderNamingRule(QWidget *parent)
    : QWidget(parent)
{
    setupUI();
    connect(m_dropZone, &DropZone::ruleChanged, this, [this]() { emit ruleChangedJson(getNamingRuleJson()); });
}

void FolderNamingRule::setupUI()
{
    m_mainLayout = new QVBoxLayout(this);
    m_mainLayout->setContentsMargins(0, K::f(10), 0, K::f(10));
    m_mainLayout->setSpacing(K::f(10));

    auto *header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->setSpacing(K::f(6));
    auto *accent = new QWidget(this);
    accent->setObjectName(QStringLiteral("FolderNamingRule_Accent"));
    accent->setFixedSize(K::f(4), K::f(16));
    accent->setAttribute(Qt::WA_StyledBackground);
    accent->setStyleSheet(QStringLiteral("background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                                         " stop:0 #ff9500, stop:1 #ff6b00); border-radius: %1px;")
                              .arg(K::s(K::f(2))));
    header->addWidget(accent);
    m_titleLabel = new QLabel(QStringLiteral("产品文件夹命名规则"), this);
    m_titleLabel->setObjectName(QStringLiteral("FolderNamingRule_Title"));
    m_titleLabel->setStyleSheet(QStringLiteral("font-size: %1px; font-weight: 600; color: #1d1d1f;")
                                    .arg(K::s(K::f(13))));
    header->addWidget(m_titleLabel);
    header->addStretch();
    m_mainLayout->addLayout(header);

    m_dropZone = new DropZone(this);
    m_dropZone->setObjectName(QStringLiteral("FolderNamingRule_DropZone"));
    m_mainLayout->addWidget(m_dropZone);

    auto *hint = new QLabel(QStringLiteral("可用字段 (拖拽添加):"), this);
    hint->setObjectName(QStringLiteral("FolderNamingRule_SourceHint"));
    hint->setStyleSheet(QStringLiteral("font-size: %1px; color: #8e8e93; padding-top: %2px;")
                            .arg(K::s(K::f(11)), K::s(K::f(5))));
    m_mainLayout->addWidget(hint);

    m_sourceContainer = new QWidget(this);
    m_sourceContainer->setObjectName(QStringLiteral("FolderNamingRule_Sources"));
    m_sourceLayout = new FlowLayout(m_sourceContainer, 0, K::f(8), K::f(8));
    m_mainLayout->addWidget(m_sourceContainer);
}

QList<QMap<QString, QString>> FolderNamingRule::returnFieldOptions(const QString &type)
{
    return NamingRuleFormat::fieldOptions(type);
}

void FolderNamingRule::setFieldOptions(const QList<QMap<QString, QString>> &options)
{
    m_fieldOptions = options;
    while (QLayoutItem *item = m_sourceLayout->takeAt(0)) {
        if (QWidget *widget = item->widget())
            widget->deleteLater();
        delete item;
    }
    for (const auto &option : options) {
        auto *source = new DraggableFieldSource(option.value(QStringLiteral("name")),
                                                option.value(QStringLiteral("key")), m_sourceContainer);
        m_sourceLayout->addWidget(source);
    }
}

void FolderNamingRule::refreshData(const QJsonArray &rule)
{
    m_dropZone->clear();
    const QVector<NamingRuleFormat::Entry> entries = NamingRuleFormat::fromJson(rule);
    for (int i = 0; i < entries.size(); ++i)
        m_dropZone->addDefaultFieldItem(entries.at(i).name, entries.at(i).key, entries.at(i).separator, i);
}

QJsonArray FolderNamingRule::getNamingRuleJson() const
{
    return m_dropZone->getResultJsons();
}

QString FolderNamingRule::getNamingRule() const
{
    return m_dropZone->getResultString();
}

QStringList FolderNamingRule::getNamingRuleList() const
{
    return m_dropZone->getResult();
}
