#pragma once

#include <QString>

class FieldButton;
class SeparatorButton;

// One entry of the rule as the drop zone holds it.
struct FieldItem
{
    FieldButton *fieldButton = nullptr;
    SeparatorButton *separatorButton = nullptr;
    QString separator;
};
