#include "app/core/FoldedFileName.h"

QString foldedFileName(const QString &name)
{
    // Folding case can leave combining marks apart again: compose once more.
    return name.normalized(QString::NormalizationForm_C)
        .toCaseFolded()
        .normalized(QString::NormalizationForm_C);
}
