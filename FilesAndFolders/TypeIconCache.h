#pragma once

#include <QString>
#include <QStringList>

// The browser's type-key slots: each distinct lower-case type key gets the next free slot the
// first time it is met and keeps it for the life of the browser. Slot k shows image k + 1 of the
// image list; image 1 is the folder icon.
class TypeIconCache
{
public:
    static constexpr int SlotCount = 999;

    struct Lookup
    {
        int slot = 0;       // 1 to SlotCount; 0 when every slot is taken by other keys
        bool added = false; // the key was stored just now: its icon must be appended
    };

    Lookup lookUp(const QString& key);

    // Image number of a slot in the image list.
    static int imageOfSlot(int slot) { return slot + 1; }

    int used() const { return static_cast<int>(m_keys.size()); }

private:
    QStringList m_keys; // slot k holds m_keys[k - 1]
};
