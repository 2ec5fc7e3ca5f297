#pragma once

#include <QString>

// Describes one field of a service record: its value type, display label, the key
// that carries its display value, the key that holds the stored value, and two flags.
struct FieldInfo
{
    QString type;
    QString label;
    QString nameField;
    QString idField;
    bool flag = true;
    bool flag2 = false; // kept with the record; no table sets it

    friend bool operator==(const FieldInfo &a, const FieldInfo &b)
    {
        return a.type == b.type && a.label == b.label && a.nameField == b.nameField
            && a.idField == b.idField && a.flag == b.flag && a.flag2 == b.flag2;
    }
    friend bool operator!=(const FieldInfo &a, const FieldInfo &b) { return !(a == b); }
};
