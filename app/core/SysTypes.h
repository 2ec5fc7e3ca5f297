#pragma once

// The kind of first window K::launchSys opens.
enum SysTypes : int {
    StartLogin = 0,
    StartDesignFile = 1,
};
