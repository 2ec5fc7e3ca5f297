#include "importfiles/ImportFiles.h"

#include "app/SharedFolderOpener.h"

#include <QVBoxLayout>

ImportFiles::ImportFiles(QWidget *parent)
    : QMainWindow(parent)
    , m_folderOpener(new SharedFolderOpener(this))
{
    m_threadPool.setMaxThreadCount(4);
}

void ImportFiles::setImportType(ImportFileType type)
{
    m_importType = type;
    setupUI();
}

void ImportFiles::setupUI()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("importFilesCentral"));
    m_mainLayout = new QVBoxLayout(central);
    setCentralWidget(central);
}
