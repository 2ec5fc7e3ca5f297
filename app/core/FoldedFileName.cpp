#include "app/core/FoldedFileName.h"

#include <QFile>

#include <dirent.h>

QString foldedFileName(const QString &name)
{
    // Folding case can leave combining marks apart again: compose once more.
    return name.normalized(QString::NormalizationForm_C)
        .toCaseFolded()
        .normalized(QString::NormalizationForm_C);
}

QHash<QString, QStringList> namesByFold(const QString &folder)
{
    QHash<QString, QStringList> names;
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name != QLatin1String(".") && name != QLatin1String(".."))
            names[foldedFileName(name)].append(name);
    }
    ::closedir(dir);
    return names;
}
