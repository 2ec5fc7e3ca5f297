#pragma once

#include "platform/ShareGuard.h"

#include <QString>

// An order's folder as the service names it, resolved once when the order
// starts. The name may be a link: pointed elsewhere mid-run, it would lead
// the order's later files into another order. Files go below the folder
// resolved at the start, and only while the name still leads there.
class OrderFolder
{
public:
    OrderFolder() = default;

    // Resolves named (links followed). False, and nothing resolved, when it
    // does not exist or does not lead to a folder below the pinned share, or
    // when it or a folder between the share and it is a link: reached through
    // one it may be another order's folder, and the order is refused whole.
    // With make, a missing folder is made first (never through such a link).
    // Every flow of the tool that looks into an order's folder starts here.
    bool resolve(const QString &named, const ShareGuard &share, bool make = false);
    bool isResolved() const { return !m_resolved.isEmpty(); }
    // True when resolve refused a link on the way to the folder.
    bool isLinked() const { return !m_link.isEmpty(); }

    // The folder as the service names it.
    QString named() const { return m_named; }
    // The folder resolved at the start, spelled below the share folder as pinned
    // (so the share's own checks apply to it); no trailing "/".
    QString resolved() const { return m_resolved; }

    // The real place of the folder when it was resolved: every folder of the
    // order lies at or below it. Empty when unresolved.
    QString realPlace() const { return m_real; }

    // True while the named folder still leads to the resolved one.
    bool stillResolves() const;

    // The user text for a folder that does not (or no longer) lead there.
    QString problem() const;

private:
    QString m_named;
    QString m_link;     // the link on the way that refused the folder
    QString m_real;     // the resolved folder as the disk spells it
    QString m_resolved;
};
