#pragma once

// What the file import window imports.
enum ImportFileType : int {
    OriginalFiles = 0,  // camera photos with raw files, "导入原片"
    RetouchedFiles = 1, // retouched photos, "导入精修片"
};
