#include "orderfields/OLConfig.h"

namespace OLConfig {

QMap<QString, FieldInfo> order_fileds;
QMap<QString, FieldInfo> order_photo_fileds;
QMap<QString, FieldInfo> order_photo_info_fileds;
QMap<QString, FieldInfo> order_sample_info_fileds;

} // namespace OLConfig
