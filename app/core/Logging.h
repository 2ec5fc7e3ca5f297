#pragma once

#include <QLoggingCategory>

// One category per area, so a benchmark or a user can silence an area with
// QT_LOGGING_RULES (for example "studio.transfer.debug=false").
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcNet)
Q_DECLARE_LOGGING_CATEGORY(lcWidgets)
Q_DECLARE_LOGGING_CATEGORY(lcTransfer)
Q_DECLARE_LOGGING_CATEGORY(lcSplit)
Q_DECLARE_LOGGING_CATEGORY(lcImportFiles)
Q_DECLARE_LOGGING_CATEGORY(lcBatchDelete)
