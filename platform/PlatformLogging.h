#pragma once

#include <QLoggingCategory>

// The operating-system layer logs under its own category, so it needs
// nothing from the floors above it.
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
