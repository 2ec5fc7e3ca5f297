#include "batchdelete/BatchDeleteComboBoxDelegate.h"

BatchDeleteComboBoxDelegate::BatchDeleteComboBoxDelegate(QObject *parent)
    : ComboBoxItemDelegate(parent)
{
}
