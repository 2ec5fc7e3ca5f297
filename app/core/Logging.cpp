#include "app/core/Logging.h"

Q_LOGGING_CATEGORY(lcApp, "studio.app")
Q_LOGGING_CATEGORY(lcNet, "studio.net")
Q_LOGGING_CATEGORY(lcWidgets, "studio.widgets")
Q_LOGGING_CATEGORY(lcTransfer, "studio.transfer")
Q_LOGGING_CATEGORY(lcSplit, "studio.split")
Q_LOGGING_CATEGORY(lcImportFiles, "studio.importfiles")
Q_LOGGING_CATEGORY(lcBatchDelete, "studio.batchdelete")
