#pragma once

// What the photo transfer tool imports; the current value is Config::k_importType.
enum ImportTypes : int {
    FinishedPhotos = 0,
    TrialVideo = 1,
    RetouchedVideo = 2,
};
