#pragma once

#include "importfiles/ImportFileType.h"

#include <QMainWindow>
#include <QThreadPool>

class QVBoxLayout;
class SharedFolderOpener;

// The window of the two file import tools ("导入原片", "导入精修片").
class ImportFiles : public QMainWindow
{
    Q_OBJECT

public:
    explicit ImportFiles(QWidget *parent = nullptr);

    // Builds the window's contents for the type; called once after construction.
    void setImportType(ImportFileType type);
    ImportFileType importType() const { return m_importType; }

private:
    void setupUI();

    ImportFileType m_importType = OriginalFiles;
    SharedFolderOpener *m_folderOpener = nullptr;
    QThreadPool m_threadPool;
    QVBoxLayout *m_mainLayout = nullptr;
};
