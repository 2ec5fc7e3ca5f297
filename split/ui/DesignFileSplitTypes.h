#pragma once

// Mode of the split window.
enum DesignFileSplitTypes : int {
    DesignSplit = 0,              // "设计分件"
    DownloadOriginals = 1,        // "下载原始档"
    DownloadSelectionResults = 2, // "下载选片结果"
    DownloadPhotoDelivery = 3,    // "下载照片交付"
};
