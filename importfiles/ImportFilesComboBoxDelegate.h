#pragma once

#include "widgets/ComboBoxItemDelegate.h"

// Item look of the file import window's combo boxes. They look exactly as the
// transfer tool's, so the painting is shared.
class ImportFilesComboBoxDelegate : public ComboBoxItemDelegate
{
    Q_OBJECT

public:
    explicit ImportFilesComboBoxDelegate(QObject *parent = nullptr);
};
