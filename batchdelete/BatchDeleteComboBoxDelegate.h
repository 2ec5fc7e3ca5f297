#pragma once

#include "widgets/ComboBoxItemDelegate.h"

// Items of the batch delete window's drop-down lists. They look exactly as the
// transfer tool's, so the painting is shared.
class BatchDeleteComboBoxDelegate : public ComboBoxItemDelegate
{
    Q_OBJECT

public:
    explicit BatchDeleteComboBoxDelegate(QObject *parent = nullptr);
};
