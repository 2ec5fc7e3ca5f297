#pragma once

#include "orderfields/FieldInfo.h"

#include <QMap>
#include <QObject>
#include <QString>

// Builds the field tables of the service's order, order-photo, order-photo-information
// and order-sample-information records. Everything is class-level; an object adds nothing.
class OLSetInitialData : public QObject
{
    Q_OBJECT

public:
    explicit OLSetInitialData(QObject *parent = nullptr);
    ~OLSetInitialData() override;

    static FieldInfo returnFieldInfo(const QString &type, const QString &label,
                                     const QString &nameField, const QString &idField,
                                     const bool &flag);

    static QMap<QString, FieldInfo> return_order_fields();
    static QMap<QString, FieldInfo> return_order_photo_fields();
    static QMap<QString, FieldInfo> return_order_photo_info_fields();
    static QMap<QString, FieldInfo> return_order_sample_fields();

    // Replaces the four OLConfig maps with freshly built tables.
    static void initData();
};
