#pragma once

#include <QMutex>
#include <QVector>
#include <QWaitCondition>

#include <functional>

// The copies of one photo, written side by side, meet here before any of
// them takes another file's place: that file is replaced only once every
// copy of the photo is whole and the photo is still wanted, so a photo
// given up or failed midway never leaves its name without a whole file.
class ReplaceGate
{
public:
    // givenUp: asked once, when the last copy arrives.
    ReplaceGate(int copies, std::function<bool()> givenUp);

    // Copy number copy is done: whole in place, or failed. Only its first arrival counts.
    void arrive(int copy, bool whole);
    // A copy that would replace a file is whole beside it: waits for the
    // photo's other copies. True when the replacement may go ahead.
    bool waitForAll(int copy);
    // The owner gives the photo up: a gate not yet open stays shut. False when
    // it has opened already: the photo's replacements are under way, so the
    // photo is finished and reported.
    bool giveUp();

    // Test seam: called, with no lock held, by each copy the open gate lets
    // through, before it takes the other file's place.
    static void setOpenedHook(std::function<void()> hook);

private:
    void arriveLocked(int copy, bool whole);

    QMutex m_mutex;
    QWaitCondition m_allIn;
    QVector<int> m_arrived; // 0 not yet, 1 whole, 2 failed
    int m_waitingFor = 0;
    bool m_open = false;
    bool m_gaveUp = false;
    std::function<bool()> m_givenUp;
};
