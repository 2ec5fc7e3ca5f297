#pragma once

#include "orderfields/FieldInfo.h"

#include <QMap>
#include <QString>

// The field catalogue, keyed by field key. Empty until OLSetInitialData::initData
// fills it; written and read on one thread only.
namespace OLConfig {

extern QMap<QString, FieldInfo> order_fileds;
extern QMap<QString, FieldInfo> order_photo_fileds;
extern QMap<QString, FieldInfo> order_photo_info_fileds;
extern QMap<QString, FieldInfo> order_sample_info_fileds;

} // namespace OLConfig
