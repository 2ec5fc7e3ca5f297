#include "importfiles/ImportFilesComboBoxDelegate.h"

ImportFilesComboBoxDelegate::ImportFilesComboBoxDelegate(QObject *parent)
    : ComboBoxItemDelegate(parent)
{
}
