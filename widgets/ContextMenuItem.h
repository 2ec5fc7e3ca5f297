#pragma once

#include <QString>

#include <functional>

// One entry of a ContextMenu.
struct ContextMenuItem
{
    QString text;
    QString icon; // file or resource path; empty for none
    std::function<void()> callback;
    bool enabled = true;
    bool danger = false;
};
